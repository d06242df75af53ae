#!/bin/sh
# Runs a Windows test program under Wine with the project's own prefix.
root=$(cd "$(dirname "$0")/.." && pwd)
: "${WINEPREFIX:=$root/build/wineprefix}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
exec wine "$@"
