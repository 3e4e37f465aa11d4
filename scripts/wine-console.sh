#!/usr/bin/env bash
# Runs one console program under Wine with the test settings but without a display, and
# leaves the prefix's wineserver running (unlike wine-run.sh): for tests that run many short
# console programs and stop the wineserver themselves at the end.
set -u
source "$(dirname "$0")/wine-env.sh"
wine_ensure_prefix
unset DISPLAY
wine_run "$@"
