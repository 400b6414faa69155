# Shared settings of the Wine harness; sourced by tools/wine-session and tools/wine-test.
PELMOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEARCH=win32
export WINEPREFIX=${PELMOR_WINEPREFIX:-$PELMOR_ROOT/build/wine/prefix}
export WINEDEBUG=${WINEDEBUG:--all}
PELMOR_WINE_STATE=$PELMOR_ROOT/build/wine
PELMOR_SESSION_FILE=$PELMOR_WINE_STATE/session.env
# Bump when the prefix settings below change, so existing prefixes are brought up to date once.
PELMOR_PREFIX_VERSION=3
