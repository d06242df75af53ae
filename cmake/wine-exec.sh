#!/bin/sh
# Runs a Windows test program under Wine with the project's own prefix.
root=$(cd "$(dirname "$0")/.." && pwd)
: "${WINEPREFIX:=$root/build/wineprefix}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
# Wine maps file names through the Unix locale; with none set that is plain
# ASCII, and names outside it cannot even be created.  Debian always has C.UTF-8.
[ -n "${LC_ALL:-}${LC_CTYPE:-}${LANG:-}" ] || { LANG=C.UTF-8; export LANG; }
exec wine "$@"
