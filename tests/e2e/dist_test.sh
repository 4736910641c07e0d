#!/usr/bin/env bash
# The release package of one architecture: tools/dist.sh writes it; unpacked into an empty
# folder it holds exactly the built program of this architecture, both face pictures and
# the German notes in the form Notepad reads, and the clock started from there under Wine,
# and from an empty folder, shows its default face (the driver's first_start scenario).
#
#   dist_test.sh <win32|win64> <builddir> <version>
#
# ZARN_ASSETS_DIR names the folder with the face pictures; the harness's setup has run.

set -uo pipefail

[[ $# -eq 3 ]] || {
  echo "usage: $0 <win32|win64> <builddir> <version>" >&2
  exit 2
}
arch=$1
builddir=$(cd "$2" && pwd)
version=$3
assets=${ZARN_ASSETS_DIR:?ZARN_ASSETS_DIR is not set}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

failed=0
check() {
  local what=$1 got=$2 expected=$3
  if [[ $got != "$expected" ]]; then
    echo "dist[$arch]: $what: got $got expected $expected"
    failed=1
  fi
}

windows_path() {
  local path=${1//\//\\}
  echo "Z:$path"
}

work=$builddir/e2e/work/dist_package
rm -rf "$work"
mkdir -p "$work/unpacked"
zip=$(bash "$here/../../tools/dist.sh" "$arch" "$builddir" "$assets" "$work") || exit 1
check "the package's name" "$(basename "$zip")" "zarn-$version-$arch.zip"

unpacked=$work/unpacked
(cd "$unpacked" && cmake -E tar xf "$zip") || {
  echo "dist[$arch]: $zip does not unpack"
  exit 1
}
check "the package's files" "$(cd "$unpacked" && find . -mindepth 1 | sort | tr '\n' ' ')" \
  "./LIESMICH.txt ./clockbg1.bmp ./clockbg5.bmp ./zarn.exe "
for pair in "zarn.exe:$builddir/bin/zarn.exe" "clockbg5.bmp:$assets/clockbg5.bmp" \
  "clockbg1.bmp:$assets/clockbg1.bmp"; do
  name=${pair%%:*}
  cmp -s "$unpacked/$name" "${pair#*:}" && same=identical || same=different
  check "$name against ${pair#*:}" "$same" identical
done

# The program's machine type in its PE header: 0x014c for 32-bit, 0x8664 for 64-bit.
exe=$unpacked/zarn.exe
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')
check "zarn.exe's machine type" "$machine" "$([[ $arch == win32 ]] && echo 014c || echo 8664)"

notes=$unpacked/LIESMICH.txt
check "LIESMICH.txt's first bytes" "$(head -c3 "$notes" | od -An -tx1 | tr -d ' ')" efbbbf
iconv -f UTF-8 -t UTF-8 "$notes" >/dev/null 2>&1 && utf8=valid || utf8=invalid
check "LIESMICH.txt as UTF-8" "$utf8" valid
check "LIESMICH.txt's lines without CR" "$(grep -c $'[^\r]$\|^$' "$notes")" 0
check "LIESMICH.txt's last byte" "$(tail -c1 "$notes" | od -An -tx1 | tr -d ' ')" 0a
for phrase in "Zarn $version" "HKEY_CURRENT_USER\\Software\\Zarn\\Layout" \
  "reg delete \"HKCU\\Software\\Zarn\" /f" "zarn.exe" "Schließen"; do
  grep -qF "$phrase" "$notes" && found=yes || found=no
  check "\"$phrase\" in LIESMICH.txt" "$found" yes
done
grep -q '@[A-Z_]*@' "$notes" && left=yes || left=no
check "placeholders left in LIESMICH.txt" "$left" no

bash "$here/harness.sh" exec "$arch" "$builddir" 90 "$builddir/bin/zarn_e2e.exe" first_start \
  "$(windows_path "$exe")" "$(windows_path "$unpacked")" || failed=1
# Started in another folder, as at logon, the clock finds its face beside itself.
mkdir -p "$work/elsewhere"
bash "$here/harness.sh" exec "$arch" "$builddir" 90 "$builddir/bin/zarn_e2e.exe" first_start \
  "$(windows_path "$exe")" "$(windows_path "$work/elsewhere")" || failed=1

if [[ $failed -ne 0 ]]; then
  echo "FAIL dist_package (files in $work)"
  exit 1
fi
echo "PASS dist_package: $(basename "$zip") unpacked and started from $unpacked"
