# Sourced: a quiet, headless 64-bit Wine for the tests, in a prefix of this run's own.
#   WINEPREFIX  default build/wine-prefix; made by wine_up on first use
# wine_up makes the prefix if needed (several seconds, once per run) and starts a persistent
# wineserver and Wine's services with their stdio away from the caller: started from a test's
# wine they would inherit that test's pipes, and ctest would wait for them to exit.
# wine_down stops them.
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine-prefix}
export WINEDEBUG=-all                      # also silences the "wine32 is missing" hint
export WINEDLLOVERRIDES="mscoree,mshtml="  # no wine-mono or wine-gecko install dialog
unset DISPLAY WAYLAND_DISPLAY

wine_up() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 120 wine wineboot -i </dev/null >/dev/null 2>&1
    timeout 60 wineserver -w
  fi
  # -p: stays up between programs; exit status 2 when one is running already.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  timeout 60 wine wineboot </dev/null >/dev/null 2>&1
}

wine_down() {
  wineserver -k 2>/dev/null || true
}
