#!/usr/bin/env bash
# Builds pathmgr and runs it on the built-in simulated host (created on first use in
# ~/.local/state/pathmgr/sim.json unless PATHMGR_SIM names a host file).
# Usage: scripts/run-demo.sh [pathmgr arguments...]   (default: devinfo)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target pathmgr
if (($# == 0)); then set -- devinfo; fi
exec build/pathmgr/pathmgr "$@"
