#!/usr/bin/env bash
# Start-up time of mervolt.exe (process start to the sign-in window on screen) as a ratio to a
# minimal Win32 window program started the same way in the same run, both under Wine on a
# virtual display. Target: a ratio of at most 1.5. It prints figures; it is not a test.
#   bash bench/startup.sh [RUNS]        (default 15)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-15}

bash scripts/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 --target mervolt >/dev/null

out="$root/build/bench-startup"
mkdir -p "$out/client" "$out/minimal"
compile=(x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static -municode -DUNICODE -D_UNICODE)
"${compile[@]}" -mwindows -o "$out/minimal/minimal-window.exe" bench/minimal_window.cpp
"${compile[@]}" -o "$out/startup-probe.exe" bench/startup_probe.cpp
# The client in a directory of its own: no config.ini, so it starts as on a first run.
cp build/win64/src/win32_app/mervolt.exe "$out/client/mervolt.exe"
rm -f "$out/client/config.ini"

export WINEPREFIX="$root/build/bench-prefix"
source scripts/wine-env.sh
wine_ensure_prefix
result=$(with_virtual_display wine_run "$out/startup-probe.exe" "$runs" \
  "Z:${out//\//\\}\\client\\mervolt.exe" "Z:${out//\//\\}\\minimal\\minimal-window.exe" | tr -d '\r')
echo "$result"
client=$(echo "$result" | awk '/mervolt.exe/ { sub("median_ms=", "", $2); print $2 }')
minimal=$(echo "$result" | awk '/minimal-window.exe/ { sub("median_ms=", "", $2); print $2 }')
awk -v c="$client" -v m="$minimal" 'BEGIN { printf "start-up ratio (median, client / minimal window): %.2f (target <= 1.5)\n", c / m }'
