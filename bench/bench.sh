#!/usr/bin/env bash
# The cost of zarn.exe against floor.exe, the least program that does its visible work:
# both run in one Wine prefix on one Xvfb, the end-to-end harness's, with the default face
# and with a 4000 x 4000 JPEG, and zarn_probe.exe measures them and prints the table (also
# saved as bench/table.md in the build directory).
#
#   bench.sh <builddir of win64> <folder with clockbg5.bmp and clockbg1.bmp>

set -euo pipefail

[[ $# -eq 2 ]] || {
  echo "usage: $0 <builddir> <assetsdir>" >&2
  exit 2
}
builddir=$(cd "$1" && pwd)
assets=$(cd "$2" && pwd)
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
rm -rf "$work"
mkdir -p "$work"
cp "$assets/clockbg5.bmp" "$assets/clockbg1.bmp" "$work/"

export ZARN_ASSETS_DIR=$assets
trap 'bash "$harness" cleanup win64 "$builddir" >/dev/null 2>&1 || true' EXIT
bash "$harness" setup win64 "$builddir" >"$work/setup.log" 2>&1 || {
  cat "$work/setup.log"
  exit 1
}

echo "bench: measuring zarn.exe and floor.exe under Wine (about 2 1/2 minutes)"
cd "$work"
rc=0
bash "$harness" exec win64 "$builddir" 600 "$builddir/bin/zarn_probe.exe" \
  "$(windows_path "$builddir/bin/zarn.exe")" "$(windows_path "$builddir/bin/floor.exe")" \
  "$(windows_path "$work")" >"$work/probe.log" 2>&1 || rc=$?
if [[ $rc -ne 0 ]]; then
  cat "$work/probe.log"
  echo "bench: the measurement failed (exit code $rc)" >&2
  exit 1
fi
grep -v '^e2e\[' "$work/probe.log" | tr -d '\r' >"$work/table.md"
cat "$work/table.md"
