#!/usr/bin/env bash
# The client under Wine against the bundled demo service.
#   With $DISPLAY: the windows open on your screen; sign in by hand as demo / demo123 and close
#   the main window (or press Ctrl-C) to stop.
#   Without: a virtual display; the demo account signs in by itself, each window is saved as a
#   picture in build/demo-screenshots/, and everything stops.
# Installs what is missing and builds what the demo needs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh >/dev/null

echo "== building the demo service (native) and the client (win64)"
cmake --preset native >/dev/null
cmake --build --preset native -j 2 --target mervolt-demo-service
cmake --preset win64 -DMERVOLT_NATIVE_BUILD_DIR="$root/build/native" >/dev/null
# The client, the window driver that signs in headless, and sim-ras (the simulated remote-access
# service that Wine lacks).
cmake --build --preset win64 -j 2 --target mervolt mervolt-driver sim_ras

exec python3 scripts/demo_session.py
