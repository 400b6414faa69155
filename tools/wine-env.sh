# Shared settings of the Wine harness; sourced by tools/wine-session, tools/wine-test and tools/run-viewer.
PELMOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEARCH=win64
export WINEPREFIX=${PELMOR_WINEPREFIX:-$PELMOR_ROOT/build/wine/prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# Debian's `wine` (and wineboot, regedit, winepath) take the 32-bit loader whenever wine32 is installed;
# the programs are 64-bit, so every start goes through our launcher of the 64-bit loader.
PELMOR_WINE=$PELMOR_ROOT/tools/wine64
PELMOR_WINE_STATE=$PELMOR_ROOT/build/wine
PELMOR_SESSION_FILE=$PELMOR_WINE_STATE/session.env
# Bump when the prefix settings below change, so existing prefixes are brought up to date once.
PELMOR_PREFIX_VERSION=7
