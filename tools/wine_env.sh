# shellcheck shell=bash
# A private Xvfb and a Wine prefix, as ./zarn run, tools/screenshot.sh and the end-to-end
# harness start them. Sourced, not run; each function returns its status and leaves it to
# the caller whether a failure is fatal.
#
#   wine_env_start_xvfb <log>
#       an Xvfb of 1280 x 1024 at 24 bits on the first free display from :90, its output
#       appended to <log>, its root window coloured $WINE_ENV_DESKTOP (kept by -noreset when
#       the last client leaves) so that what shows
#       through a transparent part of a window is known; sets WINE_ENV_XVFB_PID and
#       WINE_ENV_DISPLAY (the number) and exports DISPLAY
#   wine_env_stop_xvfb <pid> [<display>]
#       stops that Xvfb, by its id and only while the id is still an Xvfb's, and removes
#       the display's lock and socket when the number is given
#   wine_env_make_prefix <seconds> <log> [unmanaged]
#       creates $WINEPREFIX with wineboot (within <seconds>) where it has none yet, and
#       gives it the fonts of fonts-wine; with "unmanaged" Wine manages none of its windows;
#       the tools' output goes to <log>

# Runs a Wine tool with its output in <log>: the services that Wine starts inherit the
# caller's output, and an inherited pipe would keep whoever reads it waiting for them.
# The desktop's colour, kDesktop of the end-to-end driver (tests/e2e/e2e.h).
WINE_ENV_DESKTOP='#408060'

wine_env_quiet() {
  local seconds=$1 log=$2
  shift 2
  timeout -k 5 "$seconds" "$@" </dev/null >>"$log" 2>&1
}

wine_env_xvfb_alive() {
  local pid=$1
  [[ -n $pid && -r /proc/$pid/cmdline ]] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q '^Xvfb '
}

wine_env_stop_xvfb() {
  local pid=$1 display=${2:-}
  if wine_env_xvfb_alive "$pid"; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do
      wine_env_xvfb_alive "$pid" || break
      sleep 0.1
    done
    if wine_env_xvfb_alive "$pid"; then kill -9 "$pid" 2>/dev/null; fi
  fi
  if [[ -n $display ]]; then
    rm -f "/tmp/.X${display}-lock" "/tmp/.X11-unix/X${display}"
  fi
  return 0
}

wine_env_start_xvfb() {
  local log=$1 n pid
  for n in $(seq 90 199); do
    [[ -e /tmp/.X${n}-lock || -e /tmp/.X11-unix/X${n} ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset </dev/null >>"$log" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
      [[ -S /tmp/.X11-unix/X${n} ]] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if [[ -S /tmp/.X11-unix/X${n} ]] && kill -0 "$pid" 2>/dev/null; then
      # shellcheck disable=SC2034 # read by the caller
      WINE_ENV_XVFB_PID=$pid WINE_ENV_DISPLAY=$n
      export DISPLAY=:$n
      xsetroot -display ":$n" -solid "$WINE_ENV_DESKTOP" >>"$log" 2>&1
      return 0
    fi
    # Another server took the number first, or this one failed: stop it and go on.
    wine_env_stop_xvfb "$pid"
  done
  return 1
}

wine_env_make_prefix() {
  local seconds=$1 log=$2 managed=${3:-} created=0
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    wine_env_quiet "$seconds" "$log" wineboot -i || return 1
    created=1
  fi
  # Without a window manager every hide of a captioned window stalls, and keyboard input
  # reaches only the window under the pointer, unless Wine manages none of them.
  if [[ $managed == unmanaged ]]; then
    wine_env_quiet 60 "$log" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ \
      /d N /f || return 1
  fi
  # A new prefix is complete once wineboot's server has ended; a prefix in use keeps its
  # server and the programs it serves.
  if ((created)); then wine_env_quiet 120 "$log" wineserver -w || return 1; fi
  # Debian's Wine finds the fonts of fonts-wine (Tahoma, the dialog font) only in the
  # prefix; without them every dialog falls back to a wide substitute.
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [[ -d $fonts && ! -f $fonts/tahoma.ttf ]]; then
    cp /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
  fi
  return 0
}
