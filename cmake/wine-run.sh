#!/bin/sh
# Runs a Windows program under wine, quietly, in a wine prefix of the
# project's own (created on first use).
: "${WINEPREFIX:=${TMPDIR:-/tmp}/formix32-wine-$(id -u)}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
exec wine "$@"
