# Sourced by every script that runs Windows programs under Wine. It pins the code page (936),
# keeps Wine's crash debugger and its Gecko/Mono installers out of unattended runs, and makes the
# prefix on first use. Callers stop the prefix's wineserver with wine_stop when they are done.
: "${WINEPREFIX:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine-prefix}"
export WINEPREFIX
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# A crash must end the process with a failure code, not open a dialog that waits for a person.
MERVOLT_WINE_OVERRIDES="winedbg.exe=d;mscoree=;mshtml="
export WINEDLLOVERRIDES="${MERVOLT_WINE_OVERRIDES}${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

wine_ensure_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    DISPLAY= env LC_ALL=zh_CN.UTF-8 wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # A virtual display has no window manager. Wine's windows expect one by default and then wait
  # two seconds on every hide or destroy for a state change that never comes; unmanaged, they
  # draw their own frames and go at once.
  if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    DISPLAY= env LC_ALL=zh_CN.UTF-8 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# Wine takes the ANSI code page (936) and the conversion of command lines and file names from
# the locale. It is set per command rather than exported, so that the scripts' own tools keep
# the caller's locale.
wine_run() {
  env LC_ALL=zh_CN.UTF-8 wine "$@"
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
}

# Runs a command with DISPLAY set to a private virtual X display (Xvfb; the server picks a free
# display number itself, so parallel runs never collide), stopped afterwards. Wine ties a
# prefix's windows to the display its wineserver session began with, so the prefix's session is
# ended before and after the command.
with_virtual_display() {
  local dir xvfb number rc=0
  dir=$(mktemp -d)
  mkfifo "$dir/number"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/number" >/dev/null 2>&1 &
  xvfb=$!
  if ! read -r -t 30 number <"$dir/number"; then
    kill "$xvfb" 2>/dev/null; rm -rf "$dir"
    echo "with_virtual_display: Xvfb did not start" >&2
    return 1
  fi
  wine_stop
  DISPLAY=":$number" "$@" || rc=$?
  wine_stop
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
  rm -rf "$dir"
  return "$rc"
}
