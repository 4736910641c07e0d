#!/usr/bin/env bash
# Pictures of the clock on the desktop, cut to its window and a margin around it, taken
# from an X display under Wine.
#
#   screenshot.sh window <out.png>
#       waits (up to 60 s) for the clock window on $DISPLAY and saves it, after one more
#       tick so that the hands of the current second are on the face
#   screenshot.sh docs <win64 builddir> <assetsdir> <outdir>
#       the pictures README shows, from a prefix and an Xvfb of their own: the clock with
#       its default settings at 100 % (96 DPI, zarn-100.png) and at 200 % (LogPixels 192,
#       zarn-200.png), at 10:10:30 where libfaketime is installed

set -euo pipefail

# shellcheck source=tools/wine_env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_env.sh"

die() {
  echo "screenshot: $*" >&2
  exit 1
}

# The X window of the clock: the viewable top-level window of zarn.exe. Its properties
# dialog and message boxes are not open at start-up.
clock_window_id() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | awk '/\("zarn.exe" "zarn.exe"\)/ {print $1}'); do
    if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      echo "$id"
      return 0
    fi
  done
  return 1
}

save_window() {
  local out=$1 id="" shot
  shot=$(mktemp --suffix=.png)
  for _ in $(seq 120); do
    sleep 0.5
    id=$(clock_window_id) || continue
    # The first frame is drawn before the window is shown; a single colour would be a
    # window still empty.
    if import -window "$id" "$shot" 2>/dev/null &&
      [[ $(convert "$shot" -format '%k' info:) -gt 1 ]]; then
      sleep 1.5
      # Taken from the root window, with a margin, so that the desktop shows around the
      # round face and through its corners as it does on the screen.
      local x y w h margin=20
      x=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {print $4}')
      y=$(xwininfo -id "$id" | awk '/Absolute upper-left Y/ {print $4}')
      w=$(xwininfo -id "$id" | awk '/Width:/ {print $2}')
      h=$(xwininfo -id "$id" | awk '/Height:/ {print $2}')
      import -window root -crop "$((w + 2 * margin))x$((h + 2 * margin))+$((x - margin))+$((y - margin))" \
        +repage "$out"
      rm -f "$shot"
      return 0
    fi
  done
  rm -f "$shot"
  die "no painted clock window within 60 s"
}

docs() {
  [[ $# -eq 3 ]] || die "usage: $0 docs <win64 builddir> <assetsdir> <outdir>"
  local builddir assets outdir
  builddir=$(cd "$1" && pwd)
  assets=$(cd "$2" && pwd)
  mkdir -p "$3"
  outdir=$(cd "$3" && pwd)
  local work=$builddir/screenshots
  mkdir -p "$work/faces"
  cp "$assets/clockbg5.bmp" "$assets/clockbg1.bmp" "$work/faces/"
  export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

  wine_env_start_xvfb /dev/null || die "could not start Xvfb"
  # shellcheck disable=SC2064
  trap "wineserver -k >/dev/null 2>&1 || true
    wine_env_stop_xvfb $WINE_ENV_XVFB_PID $WINE_ENV_DISPLAY" EXIT

  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "screenshot: creating the Wine prefix $WINEPREFIX (once, about 20 s)"
  fi
  wine_env_make_prefix 120 /dev/null unmanaged || true

  # A fixed time of day where it works (64-bit, libfaketime), so the pictures can be made
  # again alike.
  local faketime_lib=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
  local dpi percent wine_pid
  for dpi in 96 192; do
    percent=$((dpi * 100 / 96))
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    # The default settings, the clock 120 pixels from the corner, clear of Wine's tray at 200 % too.
    wine reg delete 'HKCU\Software\Zarn' /f >/dev/null 2>&1 || true
    local twips=$((120 * 1440 / dpi))
    wine reg add 'HKCU\Software\Zarn\Layout' /v Top /t REG_SZ /d "$twips" /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Zarn\Layout' /v Left /t REG_SZ /d "$twips" /f >/dev/null 2>&1
    wineserver -p60 >/dev/null 2>&1 || true
    if [[ -f $faketime_lib ]]; then
      (cd "$work/faces" && FAKETIME='2024-01-01 10:10:30' LD_PRELOAD=$faketime_lib \
        exec timeout 90 /usr/lib/wine/wine64 "$builddir/bin/zarn.exe") >/dev/null 2>&1 &
    else
      (cd "$work/faces" && exec timeout 90 wine "$builddir/bin/zarn.exe") >/dev/null 2>&1 &
    fi
    wine_pid=$!
    save_window "$outdir/zarn-$percent.png"
    kill "$wine_pid" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wait "$wine_pid" 2>/dev/null || true
    rm -f /dev/shm/faketime_* 2>/dev/null || true
    echo "screenshot: $outdir/zarn-$percent.png ($(convert "$outdir/zarn-$percent.png" -format '%wx%h' info:), $dpi DPI)"
  done
}

case ${1:-} in
  window)
    [[ $# -eq 2 ]] || die "usage: $0 window <out.png>"
    save_window "$2"
    ;;
  docs)
    shift
    docs "$@"
    ;;
  *) die "usage: $0 window <out.png> | docs <win64 builddir> <assetsdir> <outdir>" ;;
esac
