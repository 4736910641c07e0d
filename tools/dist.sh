#!/usr/bin/env bash
# Writes the release package <outdir>/zarn-<version>-<arch>.zip: the built zarn.exe, both
# face pictures and LIESMICH.txt, the German notes, in the form Windows' Notepad reads
# (UTF-8 with a byte order mark, CRLF line ends). The version is the CMake project's.
# Prints the package's path.
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
    note="Dieses Paket läuft auf 32- und 64-Bit-Windows."
    ;;
  win64)
    bits=64
    note="Dieses Paket läuft auf 64-Bit-Windows; für 32-Bit-Windows gibt es das Paket win32."
    ;;
  *) die "unknown architecture $arch" ;;
esac

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$builddir/CMakeCache.txt" 2>/dev/null || true)
[[ -n $version ]] || die "no project version in $builddir/CMakeCache.txt"
files=("$builddir/bin/zarn.exe" "$assets/clockbg5.bmp" "$assets/clockbg1.bmp")
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
echo "$zip"
