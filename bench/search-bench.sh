#!/usr/bin/env bash
# Full-text search latency and page preparation time, ours against python3-chm's
# (chmlib) in the same run, on the largest indexed book of the shared corpus and on
# lcl.chm (Lazarus LCL reference, ~16 MB, from Debian's lazarus-doc-2.2, fetched
# here). For each book: a frequent word (the most frequent below our 500-hit limit)
# and a word of one topic (whole words), and the first four letters of the rare word
# (a substring for us, a prefix for the peer, which matches only word beginnings);
# then the preparation of the corpus pages that need the most files, against the
# peer extracting the same files. Our search times include looking up the title and
# location of every hit, which the peer's answer carries.
#   bench/search-bench.sh [REPETITIONS]
# Environment: PGWK_BENCH_DIR (build folder, default build-bench), PGWK_BENCH_SCRATCH
# (download and scratch folder, default /tmp/pgwk-bench; never inside the repo),
# PGWK_CORPUS_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-21}
build=${PGWK_BENCH_DIR:-build-bench}
scratch=${PGWK_BENCH_SCRATCH:-/tmp/pgwk-bench}
corpus=${PGWK_CORPUS_DIR:-$PWD/../shared/corpus}
peer="/usr/bin/python3 bench/peer_bench.py"

mkdir -p "$scratch"
lcl=$(find "$scratch" -name lcl.chm -type f 2>/dev/null | head -1)
if [ -z "$lcl" ]; then
  echo "search-bench: fetching lazarus-doc-2.2 into $scratch" >&2
  (cd "$scratch" && apt-get download lazarus-doc-2.2 >/dev/null &&
    dpkg-deb -x lazarus-doc-2.2_*.deb lazarus-doc)
  lcl=$(find "$scratch" -name lcl.chm -type f | head -1)
fi
[ -n "$lcl" ] || { echo "search-bench: no lcl.chm in lazarus-doc-2.2" >&2; exit 1; }

[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPGWK_BENCH=ON >/dev/null
ninja -C "$build" -j"${PGWK_JOBS:-2}" search_bench pgwktool >/dev/null 2>&1
bench="$build/bench/search_bench"
tool="$build/tools/pgwktool"

# The largest corpus book with a full-text index.
largest=""
if [ -d "$corpus/real" ]; then
  for b in $(ls -S "$corpus"/real/*.[cC][hH][mM] "$corpus"/generated/*.chm 2>/dev/null); do
    if [ "$("$tool" ls "$b" | awk -F'\t' '$4 == "/$FIftiMain" && $3 > 0' | wc -l)" -gt 0 ]; then largest=$b; break; fi
  done
fi

# Joins our "KIND HITS MS" lines with the peer's and prints the ratio peer/ours.
report() {
  join <(sort "$1") <(sort "$2") |
    awk -v book="$3" '{ printf "%-28s %-10s ours %9.3f ms (%5d found)  peer %9.3f ms (%5d found)  peer/ours %6.2f\n",
                        book, $1, $3, $2, $5, $4, ($3 > 0 ? $5 / $3 : 0) }'
}

echo "search latency, median of $reps runs"
for book in $largest "$lcl"; do
  name=$(basename "$book")
  "$bench" words "$book" > "$scratch/words"
  "$bench" search "$book" "$reps" > "$scratch/ours"
  $peer search "$book" "$reps" < "$scratch/words" > "$scratch/peer"
  sed 's/^/  /' "$scratch/words" | awk '{ printf "  %-10s %s\n", $1, $2 }' | while read -r kind word; do
    printf '  %-10s %s\n' "$kind" "$(echo "$word" | xxd -r -p)"
  done
  report "$scratch/ours" "$scratch/peer" "$name"
done

echo "page preparation, median of $reps runs"
# Corpus books whose richest page needs the most files (pictures, style sheets,
# scripts): 40 files for a page of mfb-chmlib-topics, 34 of ahk-v1-zh-cn.
picture_books=()
for b in mfb-chmlib-topics.classic.chm ahk-v1-zh-cn.chm autoit-cn-depends.chm; do
  [ -f "$corpus/real/$b" ] && picture_books+=("$corpus/real/$b")
done
for book in "${picture_books[@]}"; do
  name=$(basename "$book")
  page=$("$bench" picture-page "$book")
  [ -n "$page" ] || continue
  echo "  $name: $page"
  # Both write files: let the disk settle first so neither pays for the other's.
  sync; "$bench" prepare "$book" "$page" "$reps" "$scratch/prepared" > "$scratch/ours"
  sync; $peer extract "$book" "$reps" "$scratch/peer-extracted" < "$scratch/prepared.names" > "$scratch/peer"
  report "$scratch/ours" "$scratch/peer" "$name"
done
