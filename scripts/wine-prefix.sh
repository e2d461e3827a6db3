# Sourced by the scripts that run Windows programs: a fresh Wine prefix with one persistent
# wineserver. Wine's services and desktop get no standard streams of ours: they outlive the
# programs and would hold a caller's pipes open for ever.
. "$(dirname "${BASH_SOURCE[0]}")/wine-check.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"

# fresh_wine_prefix DIR [desktop]: with "desktop", windows get their frames from a virtual
# desktop, as on Windows, so that screenshots show what a user sees.
fresh_wine_prefix() {
    require_wine || return 1
    export WINEPREFIX="$1"
    wineserver -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot -i </dev/null >/dev/null 2>&1
    if [ "${2:-}" = desktop ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
        wineserver -p </dev/null >/dev/null 2>&1
        wine explorer /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 &
        sleep 2
    fi
    touch "$WINEPREFIX/.vantrel-ready"
}
