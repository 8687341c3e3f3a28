# Wine helpers shared by the end-to-end scripts (sourced, not run).
#
# Everything runs in a throw-away prefix of our own, with the Chinese locale (ANSI code page 936) and
# Wine's debug output off. All Wine processes of one prefix must share one DISPLAY: the scripts start
# one Xvfb for the whole run and use it for every Wine command.

export LC_ALL=zh_CN.UTF-8
export WINEDEBUG=-all
# No Mono or Gecko download prompts when a prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml="

# e2e_use_prefix <prefix folder> <x86|x64>: selects (and creates when missing) a prefix.
e2e_use_prefix() {
    local prefix=$1 arch=$2
    export WINEPREFIX=$prefix
    case $arch in
        x86) export WINEARCH=win32 ;;
        x64) export WINEARCH=win64 ;;
        *) echo "unknown architecture $arch (x86 or x64)" >&2; return 2 ;;
    esac
    # The marker is written last, so a prefix whose creation was cut short is made again.
    if [ ! -f "$prefix/.e2e-prefix-ready" ]; then
        if [ -d "$prefix" ] && [ -n "$(ls -A "$prefix")" ] && [ ! -f "$prefix/system.reg" ]; then
            echo "$prefix is neither empty nor a Wine prefix; not touching it" >&2
            return 2
        fi
        rm -rf "$prefix"
        mkdir -p "$prefix"
        wineboot -i >/dev/null 2>&1 || { echo "wineboot failed in $prefix" >&2; return 1; }
        # Without a window manager every window close costs ~2 s unless Wine manages its own frames.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        # A crash must end the program, not leave Wine's crash dialog up for the driver to find.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        touch "$prefix/.e2e-prefix-ready"
    fi
    local has64=no
    [ -d "$prefix/drive_c/windows/syswow64" ] && has64=yes
    if { [ "$arch" = x86 ] && [ $has64 = yes ]; } || { [ "$arch" = x64 ] && [ $has64 = no ]; }; then
        echo "prefix $prefix is not a $arch prefix" >&2
        return 2
    fi
}

# e2e_start_display: starts a private Xvfb and exports DISPLAY; e2e_stop_display ends it.
E2E_XVFB_PID=
e2e_start_display() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    E2E_XVFB_PID=$!
    local number=
    read -r -t 30 number <"$fifo"
    rm -f "$fifo"
    if [ -z "$number" ]; then
        echo "Xvfb did not start" >&2
        e2e_stop_display
        return 1
    fi
    export DISPLAY=":$number"
}
e2e_stop_display() {
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
        E2E_XVFB_PID=
    fi
}

# e2e_settle <prefix>: waits (at most 30 s) until no Wine process of that prefix runs any more, so that
# the next one may use another display.
e2e_settle() {
    [ -d "$1" ] || return 0
    WINEPREFIX=$1 timeout 30 wineserver -w 2>/dev/null || true
}

# e2e_win_path <unix path>: the Windows form of a path (C:\... inside the prefix, Z:\... elsewhere).
e2e_win_path() {
    local path
    path=$(realpath -m "$1")
    local drive_c
    drive_c=$(realpath -m "$WINEPREFIX/drive_c")
    if [[ $path == "$drive_c"* ]]; then
        path="C:${path#"$drive_c"}"
    else
        path="Z:$path"
    fi
    printf '%s\n' "${path//\//\\}"
}

# e2e_unix_path <C:\...>: the file inside the prefix for a path on drive C.
e2e_unix_path() {
    local path=$1
    path=${path//\\//}
    printf '%s\n' "$WINEPREFIX/drive_c${path#[Cc]:}"
}

# e2e_temp_file: a scratch .reg file beside the prefix (outside drive_c, which the tests list).
e2e_temp_file() {
    mkdir -p "$WINEPREFIX.scratch"
    mktemp --suffix=.reg -p "$WINEPREFIX.scratch"
}

# e2e_reg_import <utf-8 .reg text file> [64]: imports it as the UTF-16LE file with BOM that regedit
# needs for Chinese; "64" imports into the 64-bit view of a win64 prefix.
e2e_reg_import() {
    local source=$1 view=${2:-} converted
    converted=$(e2e_temp_file)
    { printf '\xff\xfe'; sed 's/$/\r/' "$source" | iconv -f UTF-8 -t UTF-16LE; } >"$converted"
    wine reg import "$(e2e_win_path "$converted")" ${view:+/reg:$view} >/dev/null 2>&1
    local rc=$?
    rm -f "$converted"
    return $rc
}

# Keys Wine itself rewrites while programs run (its own settings, the service start counter, the
# hardware, displays and network adapters it finds on the host): left out so a snapshot shows only what a
# program did.
E2E_WINE_VOLATILE_KEYS='^\\[hkey_current_user\\\\software\\\\wine[\\\\\\]]|'\
'^\\[hkey_local_machine\\\\system\\\\currentcontrolset\\\\control\\\\servicecurrent\\]|'\
'^\\[hkey_local_machine\\\\software\\\\microsoft\\\\windows nt\\\\currentversion\\\\networkcards[\\\\\\]]|'\
'^\\[hkey_local_machine\\\\system\\\\currentcontrolset\\\\services\\\\tcpip[\\\\\\]]|'\
'^\\[hkey_local_machine\\\\system\\\\currentcontrolset\\\\(enum|control\\\\class|control\\\\deviceclasses|control\\\\video)[\\\\\\]]|'\
'^\\[hkey_local_machine\\\\hardware[\\\\\\]]'

# e2e_reg_export <key> [64|32]: prints the key and everything below it as UTF-8 .reg text (empty when
# the key is missing), without the keys above.
e2e_reg_export() {
    local key=$1 view=${2:-} file
    file=$(e2e_temp_file)
    if wine reg export "$key" "$(e2e_win_path "$file")" ${view:+/reg:$view} /y >/dev/null 2>&1; then
        iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' | sed '1s/^\xef\xbb\xbf//' |
            awk -v volatile="$E2E_WINE_VOLATILE_KEYS" '/^\[/ { skip = (tolower($0) ~ volatile) } !skip'
    fi
    rm -f "$file"
}

# e2e_reg_value <key> <value name> [64|32]: prints one value as .reg data: a string unescaped, other
# types as exported (dword:00000002). Exit status 1 when the key or value is missing.
e2e_reg_value() {
    local key=$1 name=$2 view=${3:-}
    key=${key/#HKLM\\/HKEY_LOCAL_MACHINE\\}
    key=${key/#HKCU\\/HKEY_CURRENT_USER\\}
    e2e_reg_export "$key" "$view" | E2E_KEY="[$key]" E2E_NAME="$name" awk '
        BEGIN { key = tolower(ENVIRON["E2E_KEY"]); want = "\"" ENVIRON["E2E_NAME"] "\"=" }
        /^\[/ { inside = (tolower($0) == key); next }
        inside && index($0, want) == 1 {
            data = substr($0, length(want) + 1)
            if (data ~ /^".*"$/) { data = substr(data, 2, length(data) - 2); gsub(/\\\\/, "\\", data) }
            print data; found = 1; exit
        }
        END { exit found ? 0 : 1 }'
}

# e2e_reg_key_exists <key> [64|32]
e2e_reg_key_exists() {
    wine reg query "$1" ${2:+/reg:$2} >/dev/null 2>&1
}
