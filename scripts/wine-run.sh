#!/usr/bin/env bash
# Runs one cross-built program under Wine with the test settings; ctest uses it as the emulator.
# Every run gets its own virtual display: the Win32 face tests open windows and message boxes.
set -u
source "$(dirname "$0")/wine-env.sh"
wine_ensure_prefix
with_virtual_display wine_run "$@"
