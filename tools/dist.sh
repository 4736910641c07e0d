#!/usr/bin/env bash
# Writes the release packages <outdir>/zarn-<version>-<arch>.zip and .msi: the built
# zarn.exe, both face pictures and LIESMICH.txt, the German notes, in the form Windows'
# Notepad reads (UTF-8 with a byte order mark, CRLF line ends); the zip for a portable copy,
# the MSI, built with wixl from packaging/zarn.wxs, for a per-user install. The version is
# the CMake project's. Prints the zip's path, then the MSI's.
#
#   dist.sh <win32|win64> <builddir> <assetsdir> <outdir>

set -euo pipefail

die() {
  echo "dist: $*" >&2
  exit 1
}

[[ $# -eq 4 ]] || die "usage: $0 <win32|win64> <builddir> <assetsdir> <outdir>"
arch=$1
builddir=$2
assets=$3
outdir=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

case $arch in
  win32)
    bits=32
    platform=x86
    note="Dieses Paket läuft auf 32- und 64-Bit-Windows."
    ;;
  win64)
    bits=64
    platform=x64
    note="Dieses Paket läuft auf 64-Bit-Windows; für 32-Bit-Windows gibt es das Paket win32."
    ;;
  *) die "unknown architecture $arch" ;;
esac

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$builddir/CMakeCache.txt" 2>/dev/null || true)
[[ -n $version ]] || die "no project version in $builddir/CMakeCache.txt"
files=("$builddir/bin/zarn.exe" "$assets/clockbg5.bmp" "$assets/clockbg1.bmp" "$assets/zarn.ico")
for file in "${files[@]}"; do
  [[ -f $file ]] || die "missing $file"
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "${files[@]}" "$stage/"
{
  printf '\xEF\xBB\xBF'
  sed -e "s|@VERSION@|$version|g" -e "s|@BITS@|$bits|g" -e "s|@BITS_NOTE@|$note|g" \
    -e 's/$/\r/' "$here/LIESMICH.txt"
} >"$stage/LIESMICH.txt"

mkdir -p "$outdir"
zip=$(cd "$outdir" && pwd)/zarn-$version-$arch.zip
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip zarn.exe clockbg5.bmp clockbg1.bmp LIESMICH.txt)
msi=${zip%.zip}.msi
rm -f "$msi"
# wixl looks up the icon only by a relative path.
(cd "$stage" && wixl -a "$platform" -D Version="$version" -D Files=. -o "$msi" \
  "$here/../packaging/zarn.wxs") >&2 || die "wixl could not build $msi"
echo "$zip"
echo "$msi"
