# Scenario harness of the end-to-end run (sourced after wine.sh).
#
# A scenario is a shell function. Steps that the rest depends on end it early (`|| return 1`); checks
# of outcomes record a failure and go on, so one run reports every wrong outcome of a scenario.
# Needs: E2E_DRIVER (guidriver.exe), E2E_WORK (scratch folder), E2E_SHOTS (screenshot folder).

E2E_PASSED=0
E2E_FAILED=0
E2E_FAILED_NAMES=()
E2E_SCENARIO_FAILED=0
WIZARD_PID=

fail() {
    echo "    FAIL: $*"
    E2E_SCENARIO_FAILED=1
    return 1
}

note() {
    echo "    $*"
}

# drive: runs the driver script read from standard input; its output is indented into the log.
drive() {
    local script output
    script=$(mktemp -p "$E2E_WORK" --suffix=.drive)
    output=$(mktemp -p "$E2E_WORK" --suffix=.out)
    cat >"$script"
    # Through a file, not a pipe: when the driver is the first program to need the desktop, Wine's
    # explorer.exe starts with the driver's output handles and keeps a pipe open for good.
    wine "$E2E_DRIVER" run "$(e2e_win_path "$script")" >"$output" 2>&1
    local rc=$?
    sed 's/^/      | /' "$output"
    rm -f "$script" "$output"
    [ "$rc" -eq 0 ] || fail "driver step failed (see above)"
}

# expect_refused <driver command...>: the driver must refuse it (a user cannot press a greyed or hidden
# button; under Wine a click message would still fire, so the refusal is what keeps the tests honest).
expect_refused() {
    local output
    if output=$(wine "$E2E_DRIVER" "$@" 2>&1); then
        fail "the driver did: $* ($output)"
    else
        note "ok: refused: $* (${output//$'\n'/ })"
    fi
}

# wizard_start <SetUp.exe>: runs the wizard from its own folder, as a user double-clicking it would.
wizard_start() {
    local exe=$1
    (cd "$(dirname "$exe")" && exec wine "$(basename "$exe")") >/dev/null 2>&1 &
    WIZARD_PID=$!
}

# wizard_ended: the wizard process has ended (within 20 s); it is killed otherwise, and that fails.
# Its exit code is left in WIZARD_EXIT.
wizard_ended() {
    [ -n "$WIZARD_PID" ] || return 0
    local i
    for i in $(seq 200); do
        if ! kill -0 "$WIZARD_PID" 2>/dev/null; then
            wait "$WIZARD_PID" 2>/dev/null
            WIZARD_EXIT=$?
            WIZARD_PID=
            return 0
        fi
        sleep 0.1
    done
    wizard_kill
    fail "the wizard did not end"
}

# wizard_kill: ends a wizard left open by a failed scenario (only the process started here).
wizard_kill() {
    [ -n "$WIZARD_PID" ] || return 0
    kill "$WIZARD_PID" 2>/dev/null
    # Wine can sit out a SIGTERM while a modal loop runs: give it 5 s, then end it for certain.
    local i
    for i in $(seq 50); do
        kill -0 "$WIZARD_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$WIZARD_PID" 2>/dev/null
    wait "$WIZARD_PID" 2>/dev/null
    WIZARD_PID=
}

# start_background <name> <driver arguments...>: runs a copy of the driver as C:\e2e\bin\<name> and
# waits until it reports that it is in place. Its process id is left in BACKGROUND_PID.
start_background() {
    local name=$1
    shift
    mkdir -p "$DRIVE_C/e2e/bin"
    cp "$E2E_DRIVER_UNIX" "$DRIVE_C/e2e/bin/$name"
    BACKGROUND_LOG=$(mktemp -p "$E2E_WORK" --suffix=.log)
    rm -f "$DRIVE_C/e2e/release.flag"
    (cd "$DRIVE_C/e2e/bin" && exec wine "$name" "$@") >"$BACKGROUND_LOG" 2>&1 &
    BACKGROUND_PID=$!
    local i
    for i in $(seq 100); do
        grep -qE '^(idle|holding)' "$BACKGROUND_LOG" && return 0
        sleep 0.1
    done
    cat "$BACKGROUND_LOG"
    fail "$name did not start"
}

# Ends the background program through its release marker and waits for it.
stop_background() {
    [ -n "${BACKGROUND_PID:-}" ] || return 0
    touch "$DRIVE_C/e2e/release.flag"
    wait "$BACKGROUND_PID" 2>/dev/null
    BACKGROUND_PID=
}

# shot <name>: saves the active dialog as build/screenshots/<name>.png.
shot() {
    local name=$1 rect
    rect=$(wine "$E2E_DRIVER" rect 2>/dev/null | awk '/^rect / { print $4 "x" $5 "+" $2 "+" $3 }')
    [ -n "$rect" ] || { fail "no dialog to photograph for $name"; return 1; }
    mkdir -p "$E2E_SHOTS"
    # -strip drops the time stamps, so an unchanged page gives an unchanged file.
    /usr/bin/import -window root -crop "$rect" +repage -strip "$E2E_SHOTS/$name.png" 2>/dev/null ||
        fail "screenshot $name failed"
}

# run_scenario <title> <function>: runs one scenario and counts it.
run_scenario() {
    local title=$1 function=$2 began=$SECONDS
    echo "== $title"
    E2E_SCENARIO_FAILED=0
    "$function" || E2E_SCENARIO_FAILED=1
    if [ "$E2E_SCENARIO_FAILED" -eq 0 ]; then
        wizard_ended || true
    else
        wizard_kill
    fi
    stop_background
    if [ "$E2E_SCENARIO_FAILED" -eq 0 ]; then
        E2E_PASSED=$((E2E_PASSED + 1))
        echo "PASS $title ($((SECONDS - began)) s)"
    else
        E2E_FAILED=$((E2E_FAILED + 1))
        E2E_FAILED_NAMES+=("$title")
        echo "FAIL $title ($((SECONDS - began)) s)"
    fi
}

# --- Checks of outcomes -----------------------------------------------------------------------------

expect_eq() {  # expect_eq <what> <actual> <expected>
    if [ "$2" == "$3" ]; then
        note "ok: $1"
    else
        fail "$1: expected [$3], got [$2]"
    fi
}

expect_reg() {  # expect_reg <key> <value name> <expected data> [64|32]
    local actual
    if actual=$(e2e_reg_value "$1" "$2" "${4:-}"); then
        expect_eq "$1 : $2" "$actual" "$3"
    else
        fail "$1 : $2 is missing (expected [$3])"
    fi
}

expect_no_reg_value() {  # expect_no_reg_value <key> <value name> [64|32]
    if e2e_reg_value "$1" "$2" "${3:-}" >/dev/null; then
        fail "$1 : $2 should not exist"
    else
        note "ok: no $2 in $1"
    fi
}

expect_no_reg_key() {  # expect_no_reg_key <key> [64|32]
    if e2e_reg_key_exists "$1" "${2:-}"; then
        fail "key $1 should not exist"
    else
        note "ok: no key $1"
    fi
}

# expect_reg_names <key> <names...> [-- 64|32]: the key's own values are exactly these, in any order.
expect_reg_names() {
    local key=$1 view=
    shift
    local names=()
    while [ $# -gt 0 ]; do
        if [ "$1" = -- ]; then view=$2; break; fi
        names+=("$1")
        shift
    done
    local full=${key/#HKLM\\/HKEY_LOCAL_MACHINE\\}
    full=${full/#HKCU\\/HKEY_CURRENT_USER\\}
    local actual expected
    actual=$(e2e_reg_export "$key" "$view" | E2E_KEY="[$full]" awk '
        /^\[/ { inside = (tolower($0) == tolower(ENVIRON["E2E_KEY"])); next }
        inside && /^"/ { sub(/"=.*/, ""); print substr($0, 2) }' | sort | tr '\n' ' ')
    expected=$(printf '%s\n' "${names[@]}" | sort | tr '\n' ' ')
    expect_eq "values of $key" "$actual" "$expected"
}

# expect_listing <folder> <entries...>: the folder holds exactly these entries, recursively; folders
# are written with a trailing "/".
expect_listing() {
    local folder=$1
    shift
    if [ ! -d "$folder" ]; then
        fail "folder ${folder#"$WINEPREFIX/"} is missing"
        return
    fi
    local actual expected
    actual=$(cd "$folder" && find . -mindepth 1 \( -type d -printf '%P/\n' \) -o \( -type f -printf '%P\n' \) |
        LC_ALL=C sort | tr '\n' ' ')
    expected=$(printf '%s\n' "$@" | LC_ALL=C sort | tr '\n' ' ')
    expect_eq "listing of ${folder#"$WINEPREFIX/"}" "$actual" "$expected"
}

expect_same_file() {  # expect_same_file <installed> <original>
    if cmp -s "$1" "$2"; then
        note "ok: ${1#"$WINEPREFIX/"} is a copy of ${2##*/}"
    else
        fail "${1#"$WINEPREFIX/"} differs from ${2#"$WINEPREFIX/"}"
    fi
}

expect_content() {  # expect_content <file> <text>: the file holds exactly this text
    local actual
    actual=$(cat "$1" 2>/dev/null) || { fail "${1#"$WINEPREFIX/"} is missing"; return; }
    expect_eq "content of ${1#"$WINEPREFIX/"}" "$actual" "$2"
}

log_says() {  # log_says <unix log> <text>: some line of the log holds the text
    # grep reads to the end (no -q): an early exit would end tr with SIGPIPE, a failure under pipefail.
    if [ -f "$1" ] && tr -d '\r' <"$1" | grep -F -- "$2" >/dev/null; then
        note "ok: $(basename "$1") says $2"
    else
        fail "$(basename "$1") does not say: $2"
    fi
}

expect_missing() {  # expect_missing <path>
    if [ -e "$1" ]; then
        fail "${1#"$WINEPREFIX/"} should not exist"
    else
        note "ok: no ${1#"$WINEPREFIX/"}"
    fi
}

# machine_snapshot <file>: the whole registry of both users' hives and a listing of drive C (names,
# sizes, modification times), for proving that nothing changed.
machine_snapshot() {
    {
        echo "== HKLM"
        e2e_reg_export HKLM
        if [ "$WINEARCH" = win64 ]; then
            echo "== HKLM 64-bit view"
            e2e_reg_export 'HKLM\SOFTWARE' 64
        fi
        echo "== HKCU"
        e2e_reg_export HKCU
        echo "== drive C"
        (cd "$WINEPREFIX/drive_c" && find . -printf '%p %y %s %T@\n' | LC_ALL=C sort)
    } >"$1"
}

expect_same_snapshot() {  # expect_same_snapshot <expected> <actual> <ok text> <failure text>
    if diff -q "$1" "$2" >/dev/null; then
        note "ok: $3"
    else
        fail "$4:"
        diff "$1" "$2" | head -20 | sed 's/^/      /'
    fi
}

expect_unchanged() {  # expect_unchanged <snapshot before> <what happened>
    local after
    after=$(mktemp -p "$E2E_WORK" --suffix=.snapshot)
    machine_snapshot "$after"
    expect_same_snapshot "$1" "$after" "registry and drive C unchanged after $2" "$2 changed the machine"
}
