# shellcheck shell=bash
# Sourced, not run: prepares the environment for running test programs under Wine in a throw-away
# prefix, never the user's ~/.wine.
#
#   source scripts/wine-env.sh [build-dir] [win64|win32]
#
# The prefix is <build-dir>/wineprefix-<arch> (build-dir defaults to build/ in the source tree, arch to
# win64). It is created on first use and reused afterwards. Sets WINEPREFIX, WINEARCH, LC_ALL (code
# page 936 for the ANSI functions), WINEDEBUG and WINEDLLOVERRIDES.

brelix_wine_env() {
    local root build_dir arch
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    build_dir="${1:-$root/build}"
    arch="${2:-win64}"
    case "$arch" in
        win32 | win64) ;;
        *)
            echo "wine-env.sh: architecture must be win32 or win64, not '$arch'" >&2
            return 2
            ;;
    esac
    mkdir -p "$build_dir" || return 1
    build_dir="$(cd "$build_dir" && pwd)"

    export WINEPREFIX="$build_dir/wineprefix-$arch"
    export WINEARCH="$arch"
    export LC_ALL=zh_CN.UTF-8
    export WINEDEBUG=-all
    # No Mono or Gecko installer prompts while the prefix is made.
    export WINEDLLOVERRIDES="mscoree,mshtml="

    if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
        echo "wine-env.sh: the zh_CN.UTF-8 locale is not generated (see scripts/install-deps.sh)" >&2
        return 1
    fi

    # The marker is written last, so a prefix whose creation was cut short is made again.
    if [ ! -f "$WINEPREFIX/.brelix-ready" ]; then
        rm -rf "$WINEPREFIX"
        echo "wine-env.sh: creating the $arch prefix in $WINEPREFIX" >&2
        wineboot -i >/dev/null 2>&1 || { echo "wine-env.sh: wineboot failed" >&2; return 1; }
        wineserver -w
        # Without a window manager every window close waits about 2 s unless Wine manages its windows.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
            { echo "wine-env.sh: cannot set the X11 driver option" >&2; return 1; }
        wineserver -w
        touch "$WINEPREFIX/.brelix-ready"
    fi
}

brelix_wine_env "$@"
