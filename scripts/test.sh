#!/usr/bin/env bash
# Runs every test: tier 1 (native, under ASan/UBSan), tier 2 (the portable tests and the Windows
# face tests, cross-built and run under Wine) and tier 3 (end to end under Wine and Xvfb).
# Installs what is missing first, so it also serves a fresh machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

source scripts/wine-env.sh
cleanup() {
  wine_stop
  # Demo services that a failed test left behind in this tree.
  pkill -f "$root/build/.*/mervolt-demo-service" 2>/dev/null || true
}
trap cleanup EXIT

jobs=$(nproc)

echo "== tier 1: native"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native

echo "== tiers 2 and 3: cross-built, under Wine"
cmake --preset win64 -DMERVOLT_NATIVE_BUILD_DIR="$root/build/native" >/dev/null
cmake --build --preset win64 -j "$jobs"
wine_ensure_prefix
ctest --preset win64
