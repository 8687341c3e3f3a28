# Active Setup: every installation registers BrelixUser.exe for every user's next logon. Wine runs no
# Active Setup at logon, so the scenario does what Windows does: it runs the StubPath command line as
# the registry holds it, through cmd.

ACTIVE_SETUP_KEY="HKLM\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix"
USER_ACTIVE_SETUP_KEY="HKCU\\Software\\Microsoft\\Active Setup\\Installed Components\\Brelix"

# After an installation as an ordinary account, a user whose lists lost the product folder and who has
# no Version of the component yet gets both back from the stub, which ends with 0 and shows nothing.
scenario_active_setup_stub_restores_a_user() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "silent exit code" "$SILENT_EXIT" 0
    local stub version
    stub=$(e2e_reg_value "$ACTIVE_SETUP_KEY" StubPath) || { fail "no StubPath registered"; return 1; }
    stub=${stub//\\\"/\"}
    version=$(e2e_reg_value "$ACTIVE_SETUP_KEY" Version) || { fail "no Version registered"; return 1; }
    expect_reg "$ACTIVE_SETUP_KEY" IsInstalled dword:00000001
    if [[ $stub =~ ^\"[A-Z]:\\.*\\BrelixUser\.exe\"$ && $version =~ ^[0-9]+,[0-9]+,[0-9]+,[0-9]+$ ]]; then
        note "ok: StubPath $stub, Version $version"
    else
        fail "StubPath [$stub] or Version [$version] malformed"
    fi
    # The installing account has had the steps: its own Version says so.
    expect_reg "$USER_ACTIVE_SETUP_KEY" Version "$version"

    # Another user's state: every list without the product folder, a compatibility value back, and
    # no Version of the component.
    local profiles=('R17.2\ACAD-7001:804\Profiles\<<未命名配置>>' 'R18.0\ACAD-8001:804\Profiles\<<未命名配置>>'
        'R18.0\ACAD-8001:804\Profiles\钢结构' 'R23.1\ACAD-3001:804\Profiles\<<未命名配置>>'
        'R24.0\ACAD-4101:804\Profiles\<<未命名配置>>')
    local profile
    for profile in "${profiles[@]}"; do
        wine reg add "$PROFILES\\$profile\\Variables" /v TRUSTEDPATHS /d 'E:\KEEP' /f >/dev/null 2>&1
        expect_reg "$PROFILES\\$profile\\Variables" TRUSTEDPATHS 'E:\KEEP'
    done
    local compat='C:\Program Files\AutoCAD 2010\acad.exe'
    wine reg add "$LAYERS" /v "$compat" /d '~ WINXPSP3' /f >/dev/null 2>&1
    wine reg delete "$USER_ACTIVE_SETUP_KEY" /f >/dev/null 2>&1
    expect_no_reg_key "$USER_ACTIVE_SETUP_KEY"

    # The command line exactly as registered, in a batch file in the ANSI code page, as cmd reads it.
    local batch="$DRIVE_C/e2e/stub.bat"
    printf '@echo off\r\n%s\r\n>C:\\e2e\\stub.code echo %%ERRORLEVEL%%\r\n' "$stub" | iconv -f UTF-8 -t GBK >"$batch"
    rm -f "$DRIVE_C/e2e/stub.code"
    local output="$E2E_WORK/stub.out"
    # (through a file: a pipe could be held open by a desktop process the stub starts)
    wine "$E2E_PROBE" run cmd /c 'C:\e2e\stub.bat' >"$output" 2>&1
    output=$(tr -d '\r' <"$output")
    note "$(tr '\n' ' ' <<<"$output")"
    expect_eq "exit code of the stub" "$(tr -d '\r\n ' <"$DRIVE_C/e2e/stub.code" 2>/dev/null)" 0
    expect_eq "windows the stub showed" "$(awk '$1 == "windows" { print $2 }' <<<"$output")" 0

    local folder='C:\BRELIX\BRELIX结构工具箱'  # upper-cased, as every list the steps write
    for profile in "${profiles[@]}"; do
        expect_reg "$PROFILES\\$profile\\Variables" TRUSTEDPATHS "E:\\KEEP;$folder"
    done
    expect_no_reg_value "$LAYERS" "$compat"
    expect_reg "$USER_ACTIVE_SETUP_KEY" Version "$version"

    # A second installation registers a higher version.
    silent /S
    expect_eq "second silent exit code" "$SILENT_EXIT" 0
    local second
    second=$(e2e_reg_value "$ACTIVE_SETUP_KEY" Version)
    if printf '%s\n%s\n' "$version" "$second" | tr ',' '.' | sort -C -t. -k1,1n -k2,2n -k3,3n -k4,4n &&
        [ "$version" != "$second" ]; then
        note "ok: the second installation registered $second, above $version"
    else
        fail "the second installation registered $second, not above $version"
    fi
    expect_reg "$USER_ACTIVE_SETUP_KEY" Version "$second"
}
