#!/usr/bin/env bash
# The cost of zarn.exe against floor.exe, the least program that does its visible work:
# both run in one Wine prefix on one Xvfb, the end-to-end harness's, with the default face
# and with a 4000 x 4000 JPEG, and zarn_probe.exe measures them and prints the table (also
# saved as bench/table.md in the build directory).
#
# With --watch, it watches instead only when each new second's hand shows on the screen,
# for both programs side by side with the default face over MINUTES minutes; with --busy,
# two busy loops keep both processors busy all along (saved as timekeeping/table.md).
#
#   bench.sh <builddir of win64> <folder with clockbg5.bmp and clockbg1.bmp>
#            [--watch MINUTES [--busy]]

set -euo pipefail

usage() {
  echo "usage: $0 <builddir> <assetsdir> [--watch MINUTES [--busy]]" >&2
  exit 2
}
[[ $# -ge 2 ]] || usage
builddir=$(cd "$1" && pwd)
assets=$(cd "$2" && pwd)
shift 2
minutes=0
busy=0
if [[ $# -gt 0 ]]; then
  [[ $1 == --watch && $# -ge 2 && $2 =~ ^[1-9][0-9]*$ ]] || usage
  minutes=$2
  shift 2
  if [[ $# -gt 0 ]]; then
    [[ $1 == --busy && $# -eq 1 ]] || usage
    busy=1
  fi
fi
harness=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e" && pwd)/harness.sh

for program in zarn.exe floor.exe zarn_probe.exe; do
  [[ -f $builddir/bin/$program ]] || { echo "bench: $builddir/bin/$program is not built" >&2; exit 1; }
done

# Z: is Wine's drive for the Unix root.
windows_path() {
  local path=${1//\//\\}
  echo "Z:$path"
}

work=$builddir/bench
((minutes == 0)) || work=$builddir/timekeeping
rm -rf "$work"
mkdir -p "$work"
cp "$assets/clockbg5.bmp" "$assets/clockbg1.bmp" "$work/"

# Everything started here ends with the script, also on Ctrl-C or an error: the busy
# loops by their ids, the harness's Xvfb and prefix through its cleanup.
busy_pids=()
finish() {
  local pid
  for pid in "${busy_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  bash "$harness" cleanup win64 "$builddir" >/dev/null 2>&1 || true
}
export ZARN_ASSETS_DIR=$assets
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
bash "$harness" setup win64 "$builddir" >"$work/setup.log" 2>&1 || {
  cat "$work/setup.log"
  exit 1
}

probe_arguments=()
seconds=600
if ((minutes == 0)); then
  echo "bench: measuring zarn.exe and floor.exe under Wine (about 2 1/2 minutes)"
else
  probe_arguments=(--watch "$minutes")
  seconds=$((minutes * 60 + 120))
  load="no busy loops"
  if ((busy)); then
    load="both processors kept busy"
    for _ in 1 2; do
      while :; do :; done &
      busy_pids+=($!)
    done
  fi
  echo "bench: watching the seconds of zarn.exe and floor.exe under Wine for $minutes min, $load"
fi
cd "$work"
# Waited for in the background, so that Ctrl-C ends the script at once and not only when
# the probe is done: the harness's cleanup then stops the probe with the prefix.
bash "$harness" exec win64 "$builddir" "$seconds" "$builddir/bin/zarn_probe.exe" \
  "$(windows_path "$builddir/bin/zarn.exe")" "$(windows_path "$builddir/bin/floor.exe")" \
  "$(windows_path "$work")" "${probe_arguments[@]}" >"$work/probe.log" 2>&1 &
rc=0
wait $! || rc=$?
if [[ $rc -ne 0 ]]; then
  cat "$work/probe.log"
  echo "bench: the measurement failed (exit code $rc)" >&2
  exit 1
fi
{
  ((minutes == 0)) || echo "Seconds kept over $minutes min, $load, default face:"
  grep -v '^e2e\[' "$work/probe.log" | tr -d '\r'
} >"$work/table.md"
cat "$work/table.md"
