#!/usr/bin/env bash
# Installs what the build needs on Debian 12 (as root). With --windows it also brings
# the MinGW-w64 cross compilers and wine64 for the Windows build and its smoke test;
# with --package the cross compilers and dpkg-dev (dpkg-shlibdeps declares the Debian
# package's shared libraries) for scripts/package.sh.
# libiscsi-dev and tgt: simulated SCSI units that stand for a real iSCSI logical unit,
# and the userspace target the contract test runs them against.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev nlohmann-json3-dev rapidjson-dev pkg-config libiscsi-dev tgt clang-14 libfuzzer-14-dev)
for option in "$@"; do
  case $option in
    --windows) packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64) ;;
    --package) packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 dpkg-dev) ;;
    *) echo "install-deps.sh: unknown option $option (--windows, --package)" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
