#!/usr/bin/env bash
# Runs one cross-built program under Wine with the test settings; ctest uses it as the emulator.
set -u
source "$(dirname "$0")/wine-env.sh"
wine_ensure_prefix
exec env LC_ALL=zh_CN.UTF-8 wine "$@"
