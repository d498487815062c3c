#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan and UBSan, in build-fuzz/) and runs each
# for SECONDS (default 30) from its committed seed corpus. New inputs go to
# build-fuzz/corpus/<target>/, crashes to build-fuzz/artifacts/. Prints executions and
# crashes per target; exits non-zero when a target fails.
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPATHMGR_FUZZ=ON \
  -DPATHMGR_TESTS=OFF -DPATHMGR_BUILD_TOOLS=OFF -DPATHMGR_BUILD_INSTALL=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"
targets=("$@")
if ((${#targets[@]} == 0)); then
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi
status=0
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" build-fuzz/artifacts
  log="build-fuzz/fuzz-$t.log"
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="build-fuzz/artifacts/$t-" "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1; then
    result="no crash"
  else
    result="FAILED (see $log)"
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "fuzz $t: ${runs} executions in ${seconds} s, $result"
done
exit $status
