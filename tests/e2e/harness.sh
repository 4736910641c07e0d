#!/usr/bin/env bash
# The end-to-end harness: one Xvfb and one Wine prefix per architecture and build
# directory, shared by every scenario of a test run, and the real zarn.exe driven by our
# own driver program zarn_e2e.exe inside that prefix.
#
#   harness.sh setup   <arch> <builddir>
#   harness.sh run     <arch> <builddir> <scenario>[.<condition>...] [seconds]
#                      [--dpi <dpi>] [--locale <locale>]... [--clock <hh:mm>]
#   harness.sh cleanup <arch> <builddir>
#   harness.sh exec    <arch> <builddir> <seconds> <program.exe> [arguments...]
#
# <arch> is win32 or win64. ZARN_ASSETS_DIR names the folder with clockbg5.bmp and
# clockbg1.bmp. A run names the driver's scenario and, after dots, the conditions it runs
# under, which also name its folder of files. --dpi sets the display's DPI (96 otherwise).
# Each --locale is one phase of the scenario: the driver runs once under each locale in
# turn, told its phase's number, and the phases share the settings. --clock gives the driver
# and the clock that local time of day, the seconds running on from the real ones. Every program started here is stopped by its id (Xvfb) or through its
# prefix's own wineserver, each under a timeout, so no scenario can hang the suite.

set -uo pipefail

# shellcheck source=tools/wine_env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine_env.sh"

usage() {
  echo "usage: $0 setup|cleanup <win32|win64> <builddir>" >&2
  echo "       $0 run <win32|win64> <builddir> <scenario>[.<condition>...] [seconds]" \
    "[--dpi <dpi>] [--locale <locale>]... [--clock <hh:mm>]" >&2
  echo "       $0 exec <win32|win64> <builddir> <seconds> <program.exe> [arguments...]" >&2
  exit 2
}

[[ $# -ge 3 ]] || usage
command=$1
arch=$2
builddir=$(cd "$3" 2>/dev/null && pwd) || {
  echo "no build directory $3" >&2
  exit 2
}
case $arch in
  win32 | win64) ;;
  *) usage ;;
esac

e2e_dir=$builddir/e2e
state_file=$e2e_dir/state
log_dir=$e2e_dir/logs
export WINEPREFIX=$e2e_dir/prefix
export WINEARCH=$arch
export WINEDEBUG=-all
# Keeps Wine from offering to install Mono or Gecko into a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
ready_marker=$WINEPREFIX/.zarn-e2e-ready
# The DPI the prefix's wine server was started with.
dpi_file=$e2e_dir/dpi

# The wineserver outlives its last client by this many seconds, so scenarios reuse it.
server_linger=300

say() { echo "e2e[$arch]: $*"; }
fail() {
  echo "e2e[$arch]: $*" >&2
  exit 1
}

# Runs a Wine tool with its output in the log file of that name.
wine_quiet() {
  local seconds=$1 log=$2
  shift 2
  wine_env_quiet "$seconds" "$log_dir/$log" "$@"
}

# Starts the prefix's wineserver to linger between scenarios. When one is running already
# the call fails, and that one serves as well.
start_server() {
  wine_quiet 30 wineserver.log wineserver -p"$server_linger" || true
}

stop_server() {
  wine_quiet 30 wineserver.log wineserver -k
  wine_quiet 30 wineserver.log wineserver -w
}

# Wine reads the display's DPI, HKCU\Control Panel\Desktop value LogPixels, when its server
# starts; a change costs a restart of the server, about 3 s.
use_dpi() {
  local wanted=$1
  [[ -r $dpi_file && $(cat "$dpi_file") == "$wanted" ]] && return 0
  say "display DPI $wanted: restarting the wine server"
  rm -f "$dpi_file"
  stop_server
  wine_quiet 60 wineserver.log wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
    /t REG_DWORD /d "$wanted" /f || return 1
  stop_server
  start_server
  echo "$wanted" >"$dpi_file"
}

# The TZ under which the local time reads hh:mm now. Wine takes the zone's offset in whole
# minutes; the minute has at least 20 s left when this returns, and its second hand has left
# 12 o'clock.
pinned_zone() {
  local wanted=$1
  local hours=${wanted%%:*} minutes=${wanted##*:}
  (( 10#$(date -u +%S) > 40 )) && sleep $((65 - 10#$(date -u +%S)))
  local now=$(( 10#$(date -u +%H) * 60 + 10#$(date -u +%M) ))
  local ahead=$(( ((10#$hours * 60 + 10#$minutes - now) % 1440 + 1440) % 1440 ))
  (( ahead > 720 )) && ahead=$((ahead - 1440))
  # A POSIX zone's offset is the time to add to the local time to get UTC.
  local sign=- offset=$ahead
  (( offset < 0 )) && { sign=+; offset=$(( -offset )); }
  printf 'ZARN%s%d:%02d\n' "$sign" $((offset / 60)) $((offset % 60))
}

read_state() {
  XVFB_PID=
  XVFB_DISPLAY=
  if [[ -r $state_file ]]; then
    # shellcheck source=/dev/null
    source "$state_file"
  fi
}

start_xvfb() {
  wine_env_start_xvfb "$log_dir/xvfb.log" || return 1
  XVFB_PID=$WINE_ENV_XVFB_PID
  XVFB_DISPLAY=$WINE_ENV_DISPLAY
  printf 'XVFB_PID=%s\nXVFB_DISPLAY=%s\n' "$XVFB_PID" "$XVFB_DISPLAY" >"$state_file"
}

make_prefix() {
  if [[ -f $ready_marker ]] && [[ $(cat "$ready_marker") == "$arch" ]]; then
    say "reusing the prefix $WINEPREFIX"
    return 0
  fi
  say "creating the prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  wine_env_make_prefix 240 "$log_dir/wineboot.log" unmanaged || return 1
  echo "$arch" >"$ready_marker"
  echo 96 >"$dpi_file"
}

setup() {
  mkdir -p "$e2e_dir" "$log_dir"
  local started=$SECONDS
  read_state
  # An interrupted run may have left its Xvfb (named in the state file) and the programs
  # of the prefix running; stop them first.
  wine_env_stop_xvfb "$XVFB_PID" "$XVFB_DISPLAY"
  rm -f "$state_file"
  [[ -d $WINEPREFIX ]] && stop_server
  start_xvfb || fail "could not start Xvfb (see $log_dir/xvfb.log)"
  export DISPLAY=:$XVFB_DISPLAY
  say "Xvfb $DISPLAY, pid $XVFB_PID"
  if ! make_prefix; then
    stop_server
    fail "could not make the Wine prefix (see $log_dir/wineboot.log)"
  fi
  start_server
  use_dpi 96 || fail "could not set the display's DPI to 96 (see $log_dir/wineserver.log)"
  say "ready in $((SECONDS - started)) s"
}

cleanup() {
  mkdir -p "$log_dir"
  read_state
  if [[ -d $WINEPREFIX ]]; then
    stop_server
  fi
  wine_env_stop_xvfb "$XVFB_PID" "$XVFB_DISPLAY"
  rm -f "$state_file"
  say "stopped"
}

# Z: is Wine's drive for the Unix root.
windows_path() {
  local path=${1//\//\\}
  echo "Z:$path"
}

run() {
  local name=$1
  shift
  local seconds=90
  if [[ $# -gt 0 && $1 != --* ]]; then
    seconds=$1
    shift
  fi
  local dpi=96 clock='' locales=()
  while [[ $# -gt 0 ]]; do
    case $1 in
      --dpi) dpi=$2 ;;
      --locale) locales+=("$2") ;;
      --clock) clock=$2 ;;
      *) usage ;;
    esac
    shift 2 || usage
  done
  local scenario=${name%%.*}
  read_state
  wine_env_xvfb_alive "$XVFB_PID" ||
    fail "no Xvfb of the setup step is running (state file $state_file)"
  [[ -f $ready_marker ]] || fail "the prefix $WINEPREFIX is not ready"
  export DISPLAY=:$XVFB_DISPLAY

  local driver=$builddir/bin/zarn_e2e.exe clock_exe=$builddir/bin/zarn.exe
  [[ -f $driver ]] || fail "the driver $driver is not built"
  local assets=${ZARN_ASSETS_DIR:-}
  [[ -n $assets ]] || fail "ZARN_ASSETS_DIR is not set"

  local work=$e2e_dir/work/$name
  rm -rf "$work"
  mkdir -p "$work"
  local face
  for face in clockbg5.bmp clockbg1.bmp; do
    cp "$assets/$face" "$work/" || fail "no face picture $assets/$face"
  done

  # The server lingers between scenarios; start it again should it have gone.
  start_server
  use_dpi "$dpi" || fail "could not set the display's DPI to $dpi (see $log_dir/wineserver.log)"

  # Without locales the scenario is one run under the harness's own locale.
  local phases=${#locales[@]} phase
  ((phases > 0)) || locales=("")
  local started=$SECONDS rc=0 attempt
  : >"$work/driver.log"
  for phase in "${!locales[@]}"; do
    local environment=() arguments=("$scenario" "$(windows_path "$clock_exe")"
      "$(windows_path "$work")")
    if [[ -n ${locales[$phase]} ]]; then
      environment+=("LANG=${locales[$phase]}" "LC_ALL=${locales[$phase]}")
      ((phases > 1)) && arguments+=("$((phase + 1))")
    fi
    [[ -n $clock ]] && environment+=("TZ=$(pinned_zone "$clock")" "ZARN_E2E_CLOCK=$clock")
    for attempt in 1 2 3; do
      rc=0
      local before
      before=$(stat -c %s "$work/driver.log")
      # The driver's output goes to driver.log as it comes: a scenario reads there what Wine
      # traced for the clock.
      (cd "$work" && timeout -k 5 "$seconds" env "${environment[@]}" wine "$driver" \
        "${arguments[@]}" </dev/null >>"$work/driver.log" 2>&1) || rc=$?
      # Under load Wine now and then fails to launch the driver at all ("ShellExecuteEx
      # failed"); the scenario has not run then, so it is started again.
      tail -c +$((before + 1)) "$work/driver.log" | grep -q '^ShellExecuteEx failed' || break
      say "$scenario: Wine could not start the driver (attempt $attempt)"
      sleep 1
    done
    [[ $rc -eq 0 ]] || break
  done
  cat "$work/driver.log"
  if [[ $rc -eq 124 || $rc -eq 137 ]]; then
    echo "e2e[$arch]: $name did not finish within $seconds s; stopping every program of the prefix"
    stop_server
    start_server
    rc=1
  fi
  say "$name: exit code $rc after $((SECONDS - started)) s (files in $work)"
  return "$rc"
}

# Runs another program of ours, with its arguments, in the prefix on the setup's display,
# from the current folder: the release package's check and the cost benchmark.
exec_program() {
  local seconds=$1
  shift
  read_state
  wine_env_xvfb_alive "$XVFB_PID" ||
    fail "no Xvfb of the setup step is running (state file $state_file)"
  [[ -f $ready_marker ]] || fail "the prefix $WINEPREFIX is not ready"
  export DISPLAY=:$XVFB_DISPLAY
  start_server
  use_dpi 96 || fail "could not set the display's DPI to 96 (see $log_dir/wineserver.log)"
  local log rc=0
  log=$(mktemp "$log_dir/exec.XXXXXX")
  timeout -k 5 "$seconds" wine "$@" </dev/null >"$log" 2>&1 || rc=$?
  cat "$log"
  rm -f "$log"
  if [[ $rc -eq 124 || $rc -eq 137 ]]; then
    echo "e2e[$arch]: $1 did not finish within $seconds s; stopping every program of the prefix"
    stop_server
    start_server
    rc=1
  fi
  return "$rc"
}

case $command in
  setup) setup ;;
  cleanup) cleanup ;;
  run)
    [[ $# -ge 4 ]] || usage
    shift 3
    run "$@"
    ;;
  exec)
    [[ $# -ge 5 ]] || usage
    shift 3
    exec_program "$@"
    ;;
  *) usage ;;
esac
