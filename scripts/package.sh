#!/usr/bin/env bash
# Builds the 32-bit and 64-bit SetUp.exe and packs each beside a Data folder:
#
#   scripts/package.sh      →  dist/Brelix-SetUp-32.zip, dist/Brelix-SetUp-64.zip
#
# Data is the generated sample payload (scripts/make-payload.sh); a real release puts the product's
# files there instead. File names are stored as UTF-8 and flagged so in the archive, so the Chinese
# folder and file names unpack correctly.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
mkdir -p dist

for bitness in 32 64; do
    preset=win$bitness
    echo "== Building SetUp.exe ($preset preset)"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target SetUp -j2 | grep -vE '^\[[0-9]+/[0-9]+\]' || true

    bash scripts/check-binary.sh "build/$preset/SetUp.exe" "$bitness"

    folder="$staging/$bitness"
    mkdir -p "$folder"
    cp "build/$preset/SetUp.exe" "$folder/SetUp.exe"
    scripts/make-payload.sh "$folder/Data"

    archive="$root/dist/Brelix-SetUp-$bitness.zip"
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
    # (how the installer recognises an installation source).
    python3 - "$archive" "$bitness" <<'PY'
import struct, sys, zipfile
archive, bitness = sys.argv[1], sys.argv[2]
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
print(f"   {len(names)} entries in dist/{archive.rsplit('/', 1)[-1]}")
PY
done
