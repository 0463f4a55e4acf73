#!/usr/bin/env bash
# Decodes the whole compressed section of the largest books of the shared corpus and
# of lcl.chm (Lazarus LCL reference, ~16 MB, from Debian's lazarus-doc-2.2) with our
# LZX decoder and with libmspack's, in the same run, and prints output MB/s of both
# and their ratio.
#   bench/lzx-bench.sh [extra Google Benchmark flags]
# Environment: PGWK_BENCH_DIR (build folder, default build-bench), PGWK_BENCH_SCRATCH
# (download folder, default /tmp/pgwk-bench; never inside the repo), PGWK_CORPUS_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${PGWK_BENCH_DIR:-build-bench}
scratch=${PGWK_BENCH_SCRATCH:-/tmp/pgwk-bench}
corpus=${PGWK_CORPUS_DIR:-$PWD/../shared/corpus}

mkdir -p "$scratch"
lcl=$(find "$scratch" -name lcl.chm -type f 2>/dev/null | head -1)
if [ -z "$lcl" ]; then
  echo "lzx-bench: fetching lazarus-doc-2.2 into $scratch" >&2
  (cd "$scratch" && apt-get download lazarus-doc-2.2 >/dev/null &&
    dpkg-deb -x lazarus-doc-2.2_*.deb lazarus-doc)
  lcl=$(find "$scratch" -name lcl.chm -type f | head -1)
fi
[ -n "$lcl" ] || { echo "lzx-bench: no lcl.chm in lazarus-doc-2.2" >&2; exit 1; }

# The largest books of the corpus (those that are there).
books=()
if [ -d "$corpus/real" ]; then
  while IFS= read -r b; do books+=("$b"); done < <(ls -S "$corpus"/real/*.[cC][hH][mM] | head -3)
  for b in "$corpus"/generated/*.chm; do [ -f "$b" ] && books+=("$b"); done
fi
books+=("$lcl")

./scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPGWK_BENCH=ON -DPGWK_TESTS=OFF >/dev/null
"$build/bench/lzx_bench" --benchmark_min_time=0.5 --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true "$@" "${books[@]}"
