#!/usr/bin/env bash
# Builds the 32-bit and 64-bit SetUp.exe and packs each beside a Data folder:
#
#   scripts/package.sh      →  dist/Brelix-SetUp-<version>-32.zip, dist/Brelix-SetUp-<version>-64.zip
#   BRELIX_VERSION=2025.1.0 scripts/package.sh
#                           →  the same of that version (otherwise the version the build folders have,
#                              2024.3.27 unless `cmake --preset win32 -DBRELIX_VERSION=...` set another)
#   SIGN_PFX=<file.pfx> SIGN_PASSWORD=<password> [SIGN_TIMESTAMP_URL=<url>] scripts/package.sh
#                           →  the same, signed with that code-signing certificate (PKCS#12)
#
# Signing (osslsigncode, SHA-256, RFC 3161 timestamp when a server is named): BrelixUser.exe first,
# then SetUp.exe is linked around the signed BrelixUser.exe (BRELIX_USER_PROGRAM) and signed itself,
# since a program changed after signing loses its signature. SetUp.exe writes BrelixUser.exe out
# unchanged and Uninstall.exe is a byte copy of it, so every program the installation leaves is signed.
# Without SIGN_PFX the archives are unsigned, and one line says so. DIST_DIR=<folder> puts the
# archives there instead of dist/.
#
# Data is the generated sample payload (scripts/make-payload.sh); a real release puts the product's
# files there instead. File names are stored as UTF-8 and flagged so in the archive, so the Chinese
# folder and file names unpack correctly.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# Files named relative to where the script is called from, before it moves to the repository.
absolute() { case "$1" in /*) printf '%s' "$1" ;; *) printf '%s/%s' "$PWD" "$1" ;; esac; }
[ -z "${SIGN_PFX:-}" ] || SIGN_PFX=$(absolute "$SIGN_PFX")
[ -z "${DIST_DIR:-}" ] || DIST_DIR=$(absolute "$DIST_DIR")
cd "$root"
bash scripts/install-deps.sh

dist=${DIST_DIR:-dist}
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
staging=$(mktemp -d)
signing=no
if [ -n "${SIGN_PFX:-}" ]; then
    [ -f "$SIGN_PFX" ] || { echo "SIGN_PFX: $SIGN_PFX is not a file" >&2; exit 2; }
    signing=yes
    # The password reaches osslsigncode through a file only this user reads, not its command line.
    (umask 077 && printf '%s' "${SIGN_PASSWORD:-}" >"$staging/password")
    echo "== Signing with $SIGN_PFX${SIGN_TIMESTAMP_URL:+, timestamped by $SIGN_TIMESTAMP_URL}"
else
    echo "== No SIGN_PFX given: SetUp.exe and BrelixUser.exe are packaged unsigned"
fi
cleanup() {
    rm -rf "$staging"
    # The build folders go back to carrying the BrelixUser.exe they build.
    if [ "$signing" = yes ]; then
        for preset in win32 win64; do cmake --preset "$preset" -DBRELIX_USER_PROGRAM= >/dev/null || true; done
    fi
}
trap cleanup EXIT

# configure <preset> <BrelixUser.exe to carry, empty for the built one>: quiet unless it fails.
configure() {
    local version=()
    [ -z "${BRELIX_VERSION:-}" ] || version=(-DBRELIX_VERSION="$BRELIX_VERSION")
    cmake --preset "$1" -DBRELIX_USER_PROGRAM="$2" "${version[@]}" >"$staging/configure.log" 2>&1 ||
        { cat "$staging/configure.log"; return 1; }
}

# build <preset> <target>: a failed build stops here, so that no older program is signed or packed.
build() {
    cmake --build --preset "$1" --target "$2" -j2 >"$staging/build.log" 2>&1 ||
        { cat "$staging/build.log"; echo "building $2 ($1) failed" >&2; return 1; }
}

# sign <program> <signed copy> <description>
sign() {
    local options=(-pkcs12 "$SIGN_PFX" -h sha256 -n "$3")
    # osslsigncode refuses an empty password file; a PKCS#12 without a password is opened without one.
    [ -z "${SIGN_PASSWORD:-}" ] || options+=(-readpass "$staging/password")
    [ -z "${SIGN_TIMESTAMP_URL:-}" ] || options+=(-ts "$SIGN_TIMESTAMP_URL")
    rm -f "$2"
    osslsigncode sign "${options[@]}" -in "$1" -out "$2" >/dev/null ||
        { echo "osslsigncode could not sign $1" >&2; return 1; }
}

# The description Windows' elevation prompt shows as the program's name. osslsigncode writes it as an
# ASCII string (SpcSpOpusInfo, choice [1]) and has no Unicode form; Chinese bytes there read as Latin
# noise in the prompt, so it is plain ASCII. The Chinese name is in each program's version resource.
setup_description="Brelix Setup"
user_description="Brelix User Settings"

for bitness in 32 64; do
    preset=win$bitness
    folder="$staging/$bitness"
    mkdir -p "$folder"
    echo "== Building BrelixUser.exe and SetUp.exe ($preset preset)"
    configure "$preset" ""
    build "$preset" BrelixUser
    user="build/$preset/BrelixUser.exe"
    if [ "$signing" = yes ]; then
        # Kept in the build folder, where the build that carries it finds it again.
        mkdir -p "build/$preset/signed"
        sign "$user" "build/$preset/signed/BrelixUser.exe" "$user_description"
        user="build/$preset/signed/BrelixUser.exe"
        configure "$preset" "$root/$user"
    fi
    build "$preset" SetUp
    if [ "$signing" = yes ]; then
        sign "build/$preset/SetUp.exe" "$folder/SetUp.exe" "$setup_description"
    else
        cp "build/$preset/SetUp.exe" "$folder/SetUp.exe"
    fi
    bash scripts/check-binary.sh "$folder/SetUp.exe" "$bitness" "$user"
    scripts/make-payload.sh "$folder/Data"

    version=$(sed -n 's/^BRELIX_VERSION:STRING=//p' "build/$preset/CMakeCache.txt")
    archive="$dist/Brelix-SetUp-$version-$bitness.zip"
    rm -f "$archive"
    # Python's zipfile marks non-ASCII names as UTF-8 in the entry's flags, which Windows honours.
    python3 - "$folder" "$archive" <<'PY'
import os, sys, zipfile
folder, archive = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    for top, dirs, files in os.walk(folder):
        dirs.sort()
        for name in sorted(dirs) + sorted(files):
            path = os.path.join(top, name)
            z.write(path, os.path.relpath(path, folder))
PY
    # The archive must hold the program of the right bitness beside the payload's module of the 2010 build
    # (how the installer recognises an installation source), signed when signing was asked for.
    python3 - "$archive" "$bitness" "$signing" <<'PY'
import struct, sys, zipfile
archive, bitness, signing = sys.argv[1], sys.argv[2], sys.argv[3]
with zipfile.ZipFile(archive) as z:
    names = z.namelist()
    program = z.read("SetUp.exe")
for needed in ("SetUp.exe", "Data/BRELIX2010.ARX", "Data/Brelix扩展绘图库/Column.SJY"):
    if needed not in names:
        sys.exit(f"{archive}: {needed} is missing")
pe = struct.unpack_from("<I", program, 0x3C)[0]
machine = struct.unpack_from("<H", program, pe + 4)[0]
expected = {"32": 0x14C, "64": 0x8664}[bitness]
if machine != expected:
    sys.exit(f"{archive}: SetUp.exe is built for machine {machine:#x}, not the {bitness}-bit one")
# The certificate table is the fifth data directory of the optional header (PE32: 96 bytes in, PE32+: 112).
magic = struct.unpack_from("<H", program, pe + 24)[0]
directories = pe + 24 + (96 if magic == 0x10B else 112)
certificates = struct.unpack_from("<II", program, directories + 4 * 8)[1]
if (certificates > 0) != (signing == "yes"):
    sys.exit(f"{archive}: SetUp.exe is {'signed' if certificates else 'unsigned'}, not as asked")
print(f"   {len(names)} entries in {archive}, SetUp.exe {'signed' if certificates else 'unsigned'}")
PY
done
