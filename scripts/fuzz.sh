#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short while.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]
# Seeds come from fuzz/seeds/<target>/ when present; findings are written to
# build-fuzz/findings/ and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
CC=clang CXX=clang++ ./scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPGWK_FUZZ=ON \
  -DPGWK_TESTS=OFF -DPGWK_BENCH=OFF
mkdir -p build-fuzz/findings
status=0
for fuzzer in $(find build-fuzz -type f -perm -u+x -name '*_fuzzer' | sort); do
  name=$(basename "$fuzzer")
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds+=("fuzz/seeds/$name")
  echo "fuzz: $name for ${seconds}s"
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="build-fuzz/findings/$name-" -print_final_stats=0 \
        "$work" "${seeds[@]}" >"build-fuzz/$name.log" 2>&1; then
    echo "fuzz: $name found a problem:"; tail -40 "build-fuzz/$name.log"; status=1
  fi
done
exit $status
