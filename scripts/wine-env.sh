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
}

# Wine takes the ANSI code page from the locale: zh_CN gives 936 even without the locale
# installed. It is set per command, because bash itself complains about a missing locale.
wine_run() {
  env LC_ALL=zh_CN.UTF-8 wine "$@"
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
}
