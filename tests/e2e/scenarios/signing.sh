# Signed packages: scripts/package.sh with a throw-away certificate authority, checked with
# `osslsigncode verify` against that authority: SetUp.exe from each archive, and the programs an
# installation under Wine writes from the signed 32-bit SetUp.exe (BrelixUser.exe, Uninstall.exe).

SIGNING_PASSWORD='geheim 口令'

# make_signing_certificate <folder>: ca.pem, an authority, and signer.pfx, a code-signing certificate it
# issued, with its key, protected by SIGNING_PASSWORD; open.pfx holds the same without a password.
make_signing_certificate() {
    local folder=$1
    rm -rf "$folder" && mkdir -p "$folder" || return 1
    (
        cd "$folder" &&
            openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
                -subj "/CN=Brelix Test CA" -addext basicConstraints=critical,CA:TRUE \
                -addext keyUsage=critical,keyCertSign,cRLSign &&
            openssl req -new -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Brelix/O=Brelix" &&
            printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
                >signer.ext &&
            openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
                -extfile signer.ext -out signer.pem &&
            openssl pkcs12 -export -inkey signer.key -in signer.pem -out signer.pfx -passout "pass:$SIGNING_PASSWORD" &&
            openssl pkcs12 -export -inkey signer.key -in signer.pem -out open.pfx -passout pass:
    ) >"$folder/openssl.log" 2>&1 || { cat "$folder/openssl.log"; fail "openssl could not make the certificates"; }
}

# expect_signed <what> <program> <ca.pem>: a valid signature that chains to that authority.
expect_signed() {
    local output
    if output=$(osslsigncode verify -CAfile "$3" -in "$2" 2>&1) && grep -q 'Signature verification: ok' <<<"$output"; then
        note "ok: $1 is signed by the test publisher"
    else
        sed 's/^/      | /' <<<"$output" | tail -n 5
        fail "$1 has no valid signature"
    fi
}

# signature_description <program>: the description of its signature (SpcSpOpusInfo, the name Windows'
# elevation prompt shows), read from `openssl asn1parse` of the signature `osslsigncode` extracts:
# "ascii:<text>" for pure ASCII in the ASCII choice, "unicode:<text>" for the Unicode choice (UTF-16
# big-endian), "not-ascii:<hex>" for 8-bit bytes in the ASCII choice, "none" without one.
signature_description() {
    local folder signature
    folder=$(mktemp -d) || return 1
    signature="$folder/signature"
    osslsigncode extract-signature -in "$1" -out "$signature" >/dev/null 2>&1 || { rm -rf "$folder"; echo none; return; }
    openssl asn1parse -inform DER -in "$signature" 2>/dev/null | python3 -c '
import re, sys
data = open(sys.argv[1], "rb").read()
rows = []
for line in sys.stdin:
    m = re.match(r"\s*(\d+):d=(\d+)\s+hl=(\d+)\s+l=\s*(\d+)\s+(prim|cons):\s*(.*?)\s*$", line)
    if m:
        rows.append((int(m[1]), int(m[2]), int(m[3]), int(m[4]), m[6]))
for i, (offset, depth, header, length, what) in enumerate(rows):
    if not what.endswith(":1.3.6.1.4.1.311.2.1.12"):
        continue
    # SET { SEQUENCE { [0] programName { [0] unicode | [1] ascii } } }
    for offset, d, header, length, what in rows[i + 1:i + 6]:
        if d == depth + 3 and what.startswith("cont [ 1 ]"):
            text = data[offset + header:offset + header + length]
            print("ascii:" + text.decode() if max(text, default=0) < 0x80 else "not-ascii:" + text.hex())
            sys.exit()
        if d == depth + 3 and what.startswith("cont [ 0 ]"):
            print("unicode:" + data[offset + header:offset + header + length].decode("utf-16-be"))
            sys.exit()
print("none")
' "$signature"
    rm -rf "$folder"
}

expect_unsigned() {  # expect_unsigned <what> <program> <ca.pem>
    if osslsigncode verify -CAfile "$3" -in "$2" >/dev/null 2>&1; then
        fail "$1 passes as signed"
    else
        note "ok: $1 is not signed"
    fi
}

# package <folder> <log> [variables...]: scripts/package.sh into <folder>, with the variables given.
package() {
    local dist=$1 log=$2
    shift 2
    rm -rf "$dist"
    env "$@" DIST_DIR="$dist" bash "$E2E_SCRIPTS/package.sh" >"$log" 2>&1 ||
        { tail -n 20 "$log"; fail "scripts/package.sh failed"; }
}

unpack() {  # unpack <archive> <folder>
    rm -rf "$2" && python3 -m zipfile -e "$1" "$2" || fail "cannot unpack $1"
}

# expect_binary_check_fails <SetUp.exe> <BrelixUser.exe> <complaint>: scripts/check-binary.sh refuses the
# pair, saying so.
expect_binary_check_fails() {
    local output
    if output=$(bash "$E2E_SCRIPTS/check-binary.sh" "$1" 32 "$2" 2>&1); then
        fail "check-binary.sh accepts $(basename "$1") with $(basename "$2")"
    elif grep -qF -- "$3" <<<"$output"; then
        note "ok: check-binary.sh refuses: $3"
    else
        fail "check-binary.sh does not say: $3 ($output)"
    fi
}

scenario_signed_packages() {
    local keys="$E2E_WORK/signing" dist="$E2E_WORK/dist-signed" bitness
    make_signing_certificate "$keys" || return 1
    # A timestamp server that cannot be reached stops the packaging: no archive goes out untimestamped.
    # The certificate file has no password here: it must open, so that signing gets as far as the server.
    rm -rf "$dist"
    if env SIGN_PFX="$keys/open.pfx" SIGN_PASSWORD= SIGN_TIMESTAMP_URL=http://127.0.0.1:9/ \
        DIST_DIR="$dist" bash "$E2E_SCRIPTS/package.sh" >"$keys/package-unreachable.log" 2>&1 ||
        compgen -G "$dist/Brelix-SetUp-*-32.zip" >/dev/null; then
        fail "packaged without the timestamp server it was given"
    elif grep -q 'RFC 3161 timestamping failed' "$keys/package-unreachable.log"; then
        note "ok: an unreachable timestamp server stops the packaging"
    else
        tail -n 5 "$keys/package-unreachable.log"
        fail "packaging with a certificate file without a password stopped before the timestamp server"
    fi
    package "$dist" "$keys/package.log" SIGN_PFX="$keys/signer.pfx" SIGN_PASSWORD="$SIGNING_PASSWORD" || return 1
    # The build folders carry their own BrelixUser.exe again.
    expect_eq "BRELIX_USER_PROGRAM after packaging" \
        "$(grep -h '^BRELIX_USER_PROGRAM:' "$E2E_SCRIPTS"/../build/win{32,64}/CMakeCache.txt | sort -u)" \
        "BRELIX_USER_PROGRAM:FILEPATH="
    for bitness in 32 64; do
        unpack "$dist/Brelix-SetUp-2024.3.27-$bitness.zip" "$keys/$bitness" || return 1
        expect_signed "SetUp.exe of the $bitness-bit archive" "$keys/$bitness/SetUp.exe" "$keys/ca.pem"
        # The elevation prompt names the program by this description: ASCII reads right on every Windows.
        expect_eq "signature description of SetUp.exe ($bitness-bit)" \
            "$(signature_description "$keys/$bitness/SetUp.exe")" "ascii:Brelix Setup"
        expect_eq "signature description of BrelixUser.exe ($bitness-bit)" \
            "$(signature_description "$E2E_SCRIPTS/../build/win$bitness/signed/BrelixUser.exe")" \
            "ascii:Brelix User Settings"
    done
    # The check must be able to fail: another authority, and one changed byte.
    expect_unsigned "SetUp.exe against another authority" "$keys/32/SetUp.exe" "$keys/signer.pem"
    cp "$keys/32/SetUp.exe" "$keys/changed.exe"
    printf 'X' | dd of="$keys/changed.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
    expect_unsigned "a SetUp.exe changed after signing" "$keys/changed.exe" "$keys/ca.pem"

    # The binary check holds SetUp.exe to the signed BrelixUser.exe it carries, and each program to its
    # own limits: the programs swapped, the unsigned build, programs grown past their size.
    local built="$E2E_SCRIPTS/../build/win32/BrelixUser.exe" signed="$E2E_SCRIPTS/../build/win32/signed/BrelixUser.exe"
    bash "$E2E_SCRIPTS/check-binary.sh" "$keys/32/SetUp.exe" 32 "$signed" >/dev/null ||
        fail "check-binary.sh refuses the signed pair"
    expect_binary_check_fails "$keys/32/SetUp.exe" "$built" "does not carry"
    expect_binary_check_fails "$signed" "$keys/32/SetUp.exe" 'lacks level="requireAdministrator"'
    expect_binary_check_fails "$keys/32/SetUp.exe" "$keys/32/SetUp.exe" "imports comctl32.dll"
    expect_binary_check_fails "$keys/32/SetUp.exe" "$keys/32/SetUp.exe" "asks for administrator rights"
    expect_binary_check_fails "$keys/32/SetUp.exe" "$E2E_DRIVER_UNIX" 'lacks level="asInvoker"'
    cp "$keys/32/SetUp.exe" "$keys/grown.exe" && truncate -s 450561 "$keys/grown.exe"
    expect_binary_check_fails "$keys/grown.exe" "$signed" "is 450561 bytes, more than 450560"
    cp "$signed" "$keys/grown-user.exe" && truncate -s 102401 "$keys/grown-user.exe"
    expect_binary_check_fails "$keys/32/SetUp.exe" "$keys/grown-user.exe" "is 102401 bytes, more than 102400"

    # What the signed SetUp.exe writes on a machine: the per-user program, and at a silent installation
    # its uninstaller (found wherever the installation puts it).
    stage x86 "$keys/32/SetUp.exe" || return 1
    silent /S '/USERPROGRAM=C:\e2e\BrelixUser.exe'
    expect_eq "BrelixUser.exe written" "$SILENT_EXIT" 0
    expect_signed "the BrelixUser.exe SetUp.exe writes" "$DRIVE_C/e2e/BrelixUser.exe" "$keys/ca.pem"
    silent /S
    expect_eq "silent installation" "$SILENT_EXIT" 0
    local uninstaller
    uninstaller="$SETUP_FOLDER_32/Uninstall.exe"
    [ -f "$uninstaller" ] || { fail "the installation wrote no Uninstall.exe"; return 1; }
    expect_signed "the Uninstall.exe the installation writes" "$uninstaller" "$keys/ca.pem"
    expect_signed "the BrelixUser.exe the installation writes" "$SETUP_FOLDER_32/BrelixUser.exe" "$keys/ca.pem"
}

scenario_unsigned_package() {
    local dist="$E2E_WORK/dist-unsigned" log="$E2E_WORK/package-unsigned.log" bitness
    package "$dist" "$log" SIGN_PFX= || return 1
    expect_eq "lines saying it is unsigned" "$(grep -c 'packaged unsigned' "$log")" 1
    for bitness in 32 64; do
        unpack "$dist/Brelix-SetUp-2024.3.27-$bitness.zip" "$E2E_WORK/unsigned-$bitness" || return 1
        [ -f "$E2E_WORK/unsigned-$bitness/Data/BRELIX2010.ARX" ] || fail "the $bitness-bit archive has no Data"
        if osslsigncode extract-signature -in "$E2E_WORK/unsigned-$bitness/SetUp.exe" \
            -out "$E2E_WORK/unsigned-$bitness/signature" >/dev/null 2>&1; then
            fail "SetUp.exe of the unsigned $bitness-bit archive carries a signature"
        else
            note "ok: SetUp.exe of the $bitness-bit archive carries no signature"
        fi
    done
}

# BrelixUser.exe written onto a drive too small for it: exit 6, and no half program is left behind that
# Windows would try to run at every logon.
scenario_user_program_on_a_full_disk() {
    stage x86 "$SETUP32" none || return 1
    local drive="$E2E_WORK/small-drive"
    mkdir -p "$drive"
    mount -t tmpfs -o size=64k tmpfs "$drive" || { fail "cannot mount a small drive (needs root)"; return 1; }
    ln -sfn "$drive" "$WINEPREFIX/dosdevices/q:"
    silent /S '/USERPROGRAM=Q:\BrelixUser.exe'
    local left
    left=$(ls -A "$drive")
    rm -f "$WINEPREFIX/dosdevices/q:"
    umount "$drive"
    expect_eq "BrelixUser.exe onto a full drive" "$SILENT_EXIT" 6
    expect_eq "files left on the full drive" "$left" ""
}
