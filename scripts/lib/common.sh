# Shared by the project's scripts: where things live and how Wine is run.
# Sourced, not executed.

KS_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
KS_BUILD="$KS_ROOT/build"
KS_DISPLAY_NUMBER=${KS_DISPLAY_NUMBER:-99}
# A PDF printer beside PDF whose default settings the printer tests change
# (scripts/setup --printer creates it).
KS_TEST_QUEUE=KSTEST-DPI

export WINEPREFIX="$KS_BUILD/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No prompts to install Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="

ks_log() { printf '[%s] %s\n' "$(basename "$0")" "$*" >&2; }
ks_die() { ks_log "error: $*"; exit 1; }

ks_wineserver_running() {
    # wineserver -k0 fails when no server runs for this prefix.
    [ -d "$WINEPREFIX" ] && WINEDEBUG=-all wineserver -k0 >/dev/null 2>&1
}

# Makes the Wine prefix $WINEPREFIX when it is missing (Windows 10, the
# registry settings of wine-settings.reg); run while no persistent server
# runs for it.
ks_prepare_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        ks_log "creating the Wine prefix in $WINEPREFIX"
        # A message about syswow64\rundll32 is harmless: there is no 32-bit Wine.
        wine wineboot --init >/dev/null 2>&1
        # No persistent server runs yet: this waits until the prefix is on disk.
        wineserver -w
    fi
    local settings="$KS_ROOT/scripts/lib/wine-settings.reg" applied="$WINEPREFIX/ks-settings.reg"
    if ! cmp -s "$settings" "$applied"; then
        ks_log "applying Windows 10 and the registry settings"
        wine winecfg /v win10 >/dev/null 2>&1
        wine regedit /S "$(winepath -w "$settings" 2>/dev/null)" >/dev/null 2>&1
        cp "$settings" "$applied"
    fi
}
