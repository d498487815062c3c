#!/usr/bin/env bash
# Builds the release artifacts (Release builds) and writes them to dist/:
#   pathmgr-<version>-windows.zip          pathmgr.exe and relinfo.dll (32-bit), install.exe
#                                          (64-bit), the sample driver package, the docs, SHA256SUMS
#   pathmgr-<version>-linux-<arch>.tar.gz  the installed Linux tree: bin/pathmgr, bin/pathmgr-sim, docs
#   pathmgr_<version>_<arch>.deb           the same for /usr, its shared libraries declared
# The version is the project's (the top CMakeLists.txt). Builds go to build-package/;
# --win32 and --win64 take the Windows programs from Release cross builds made
# elsewhere instead (scripts/test.sh hands over its own).
#
# Usage: scripts/package.sh [--win32 DIR] [--win64 DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

die() {
  echo "package.sh: $*" >&2
  exit 1
}
usage() {
  echo "usage: scripts/package.sh [--win32 DIR] [--win64 DIR]"
}

win32=
win64=
while (($#)); do
  case $1 in
    --win32) (($# >= 2)) || die "--win32 needs a build folder"; win32=$(realpath -m "$2"); shift 2 ;;
    --win64) (($# >= 2)) || die "--win64 needs a build folder"; win64=$(realpath -m "$2"); shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; die "unknown argument $1" ;;
  esac
done

bash scripts/install-deps.sh --package
jobs=$(nproc)

cache_value() {  # build folder, cache entry
  sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}
# A cross build handed in must come from this tree, in Release, with the right toolchain.
check_given() {  # build folder, toolchain file
  [[ -f $1/CMakeCache.txt ]] || die "$1 is not a configured build folder"
  [[ $(cache_value "$1" CMAKE_HOME_DIRECTORY) == "$root" ]] || die "$1 was configured from another source tree"
  [[ $(cache_value "$1" CMAKE_BUILD_TYPE) == Release ]] || die "$1 is not a Release build"
  [[ $(cache_value "$1" CMAKE_TOOLCHAIN_FILE) == *"$2" ]] || die "$1 is not built with cmake/$2"
}

[[ -z $win32 ]] || check_given "$win32" mingw-i686.cmake
[[ -z $win64 ]] || check_given "$win64" mingw-x86_64.cmake

echo "== Release builds"
# The Linux tree builds only what it installs (cpack would otherwise build every target).
linux=$root/build-package/linux
cmake --no-warn-unused-cli -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPATHMGR_TESTS=OFF -DPATHMGR_BUILD_INSTALL=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$linux" -j "$jobs" --target pathmgr pathmgr-sim
if [[ -z $win32 ]]; then
  win32=$root/build-package/win32
  cmake --no-warn-unused-cli -S . -B "$win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    -DPATHMGR_TESTS=OFF -DPATHMGR_BUILD_INSTALL=OFF >/dev/null
fi
cmake --build "$win32" -j "$jobs" --target pathmgr relinfo
if [[ -z $win64 ]]; then
  win64=$root/build-package/win64
  cmake --no-warn-unused-cli -S . -B "$win64" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DPATHMGR_TESTS=OFF -DPATHMGR_BUILD_PATHMGR=OFF -DPATHMGR_BUILD_RELINFO=OFF >/dev/null
fi
cmake --build "$win64" -j "$jobs" --target install_program

version=$(cache_value "$linux" CMAKE_PROJECT_VERSION)
[[ -n $version ]] || die "no project version in $linux/CMakeCache.txt"
for build in "$win32" "$win64"; do
  [[ $(cache_value "$build" CMAKE_PROJECT_VERSION) == "$version" ]] ||
    die "$build is of version $(cache_value "$build" CMAKE_PROJECT_VERSION), not $version: build it again"
done

# Everything is made in a folder of dist/ and moved beside it only when whole.
mkdir -p dist
work=$(mktemp -d "$root/dist/.package.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "== Windows archive"
windows=pathmgr-$version-windows
cmake --install "$win32" --prefix "$work/$windows" --strip >/dev/null
cmake --install "$win64" --prefix "$work/$windows" --strip >/dev/null
# SHA256SUMS is written beside the folder first, so that it does not list itself.
(cd "$work/$windows" && find . -type f -printf '%P\0' | LC_ALL=C sort -z | xargs -0 sha256sum >../SHA256SUMS)
mv "$work/SHA256SUMS" "$work/$windows/"
(cd "$work" && cmake -E tar cf "$windows.zip" --format=zip "$windows")

echo "== Linux archive and Debian package"
linux_tree=pathmgr-$version-linux-$(uname -m)
cmake --install "$linux" --prefix "$work/$linux_tree" --strip >/dev/null
(cd "$work" && cmake -E tar czf "$linux_tree.tar.gz" "$linux_tree")
cpack -G DEB -B "$work/deb" --config "$linux/CPackConfig.cmake" >/dev/null
debs=("$work"/deb/*.deb)
((${#debs[@]} == 1)) && [[ -f ${debs[0]} ]] || die "cpack made ${#debs[@]} Debian packages, expected one"

artifacts=("$work/$windows.zip" "$work/$linux_tree.tar.gz" "${debs[0]}")
mv -f "${artifacts[@]}" dist/
for f in "${artifacts[@]}"; do
  echo "dist/$(basename "$f")"
done
