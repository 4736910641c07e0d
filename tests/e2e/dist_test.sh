#!/usr/bin/env bash
# The release packages of one architecture: tools/dist.sh writes them; unpacked into an empty
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
packages=$(bash "$here/../../tools/dist.sh" "$arch" "$builddir" "$assets" "$work") || exit 1
zip=${packages%$'\n'*} msi=${packages#*$'\n'}
check "the packages' names" "${zip##*/} ${msi##*/}" "zarn-$version-$arch.zip zarn-$version-$arch.msi"

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

# The MSI: installed, started, updated with AUTOSTART=1, replaced by another build of that
# version without it, and removed. After each msiexec: the products listed, the files, and
# each shortcut's target (its ANSI link information) and working directory (UTF-16).
wine_tool() { bash "$here/harness.sh" exec "$arch" "$builddir" 90 "$@"; }
products() { wine_tool uninstaller --list | tr -d '\r' | grep '|||Zarn$'; }
home=$builddir/e2e/prefix/drive_c/users/$(id -un)
folder="C:\\users\\$(id -un)\\AppData\\Local\\Programs\\Zarn"
msiexec() {
  local expected=$1 got lnk && shift
  wine_tool msiexec "$@" /qn || failed=1
  got="$(products | wc -l) $(LC_ALL=C ls "$home/AppData/Local/Programs/Zarn" 2>/dev/null | tr '\n' ' ')"
  for lnk in "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"/{,*/}Zarn.lnk; do
    [[ -f $lnk ]] && got+="${lnk#*/Programs/}: $(tr -d '\0' <"$lnk" | grep -aoF -e "$folder\\zarn.exe" -e "$folder" | tr '\n' ' ')"
  done
  check "what msiexec $* left" "$got" "$expected"
}
next_package() { # from a build folder of its own that names the next version
  mkdir -p "$work/$1/bin" && cp "$exe" "$work/$1/bin/" &&
    echo "CMAKE_PROJECT_VERSION:STATIC=${version%.*}.$((${version##*.} + 1))" >"$work/$1/CMakeCache.txt"
  bash "$here/../../tools/dist.sh" "$arch" "$work/$1" "$assets" "$work/$1" | sed -n 2p
}
for code in $(products | cut -d'|' -f1); do wine_tool msiexec /x "$code" /qn; done # a stopped run's
left="1 LIESMICH.txt clockbg1.bmp clockbg5.bmp zarn.exe Zarn.lnk: $folder\\zarn.exe $folder "
msiexec "$left" /i "$(windows_path "$msi")"
bash "$here/harness.sh" exec "$arch" "$builddir" 90 "$builddir/bin/zarn_e2e.exe" first_start \
  "$folder\\zarn.exe" "$(windows_path "$work")" || failed=1
wine_tool reg add 'HKCU\Software\Zarn\Layout' /v Top /d 4321 /f >/dev/null
left+="StartUp/Zarn.lnk: $folder\\zarn.exe $folder "
msiexec "$left" /i "$(windows_path "$(next_package next)")" AUTOSTART=1
msiexec "$left" /i "$(windows_path "$(next_package again)")"
msiexec "0 " /x "$(windows_path "$work"/again/zarn-*.msi)"
check "Top after the uninstall" "$(wine_tool reg query 'HKCU\Software\Zarn\Layout' /v Top | grep -o 4321)" 4321

if [[ $failed -ne 0 ]]; then
  echo "FAIL dist_package (files in $work)"
  exit 1
fi
echo "PASS dist_package: ${zip##*/} unpacked and started, ${msi##*/} installed, updated, removed"
