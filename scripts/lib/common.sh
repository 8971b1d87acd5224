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
