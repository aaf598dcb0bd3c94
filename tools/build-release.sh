#!/usr/bin/env bash
# Builds the release files into OUTDIR, each in a build folder of its own
# made afresh (nothing of an earlier build is reused):
#
#   velkor-linux-x86-64         Linux on any x86-64 processor
#   velkor-windows-x86-64.exe   64-bit Windows on any x86-64 processor
#   velkor-windows-i686.exe     32-bit Windows (runs on 64-bit Windows too),
#                               any x86 processor from the Pentium Pro on
#   velkor-linux-aarch64        Linux on any 64-bit ARM processor (ARMv8-A:
#                               Raspberry Pi 3, 4, 5 with a 64-bit system)
#   velkor_0.16_amd64.deb       Debian package: the engine as /usr/games/velkor
#   SHA256SUMS                  sha256sum -c SHA256SUMS checks them
#
# Every program is linked statically (no DLL beside the .exe, no C library
# of a particular version on Linux) and built for its architecture's base
# instruction set, never for the building machine's (-march=native).
# Needs Debian's build-essential cmake ninja-build g++-mingw-w64-x86-64-posix
# g++-mingw-w64-i686-posix g++-aarch64-linux-gnu (see the README).
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
src="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$1"
out="$(cd "$1" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/velkor-release.XXXXXX")"
trap 'rm -rf "$work"' EXIT
jobs="${VELKOR_RELEASE_JOBS:-2}"

if [ -n "$(git -C "$src" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "note: the work tree has uncommitted changes; they are built too" >&2
fi

# build NAME [cmake options...]: a Release build of the engine alone.
build() {
  local name="$1"
  shift
  echo "== $name"
  cmake -S "$src" -B "$work/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKOR_TESTS=OFF "$@" >/dev/null
  cmake --build "$work/$name" -j "$jobs" --target velkor
}

build linux-x86-64 -DVELKOR_STATIC=ON
build windows-x86-64 -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-windows-x86-64.cmake"
build windows-i686 -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-windows-i686.cmake"
build linux-aarch64 -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-linux-aarch64.cmake"

rm -f "$out"/velkor-linux-x86-64 "$out"/velkor-windows-*.exe "$out"/velkor-linux-aarch64 "$out"/velkor_*.deb "$out"/SHA256SUMS
install -m 755 "$work/linux-x86-64/velkor" "$out/velkor-linux-x86-64"
install -m 755 "$work/windows-x86-64/velkor.exe" "$out/velkor-windows-x86-64.exe"
install -m 755 "$work/windows-i686/velkor.exe" "$out/velkor-windows-i686.exe"
install -m 755 "$work/linux-aarch64/velkor" "$out/velkor-linux-aarch64"
# Symbols are of no use to a player: the binaries shrink by about a third.
strip "$out/velkor-linux-x86-64"
x86_64-w64-mingw32-strip "$out/velkor-windows-x86-64.exe"
i686-w64-mingw32-strip "$out/velkor-windows-i686.exe"
aarch64-linux-gnu-strip "$out/velkor-linux-aarch64"

echo "== Debian package"
(cd "$work/linux-x86-64" && cpack -G DEB >/dev/null)
cp "$work"/linux-x86-64/velkor_*.deb "$out/"

(cd "$out" && sha256sum velkor-linux-x86-64 velkor-windows-x86-64.exe velkor-windows-i686.exe \
  velkor-linux-aarch64 velkor_*.deb >SHA256SUMS)
echo "== $out"
ls -l "$out"
