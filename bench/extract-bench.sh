#!/usr/bin/env bash
# Whole-book extraction and single-page latency: pgwktool against chmlib's
# extract_chmLib / test_chmLib and 7-Zip, in the same run, with hyperfine.
#
#   bench/extract-bench.sh [BUILD_DIR]          (default build/)
#
# Books: the three largest books of the shared corpus and lcl.chm from Debian's
# lazarus-doc-2.2, fetched into $SCRATCH (default /tmp/pgwk-bench) on first use.
# Extracted files go below $OUT_BASE (default /dev/shm when it exists, else
# $SCRATCH): on a journalled disk creating twenty thousand files costs seconds of
# file-system time that is the same for every tool and hides the tools' own work.
# Results (markdown tables and hyperfine's JSON) go to $SCRATCH/results/.
# Environment: RUNS (default 10), CORPUS (default ../shared/corpus).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
SCRATCH=${SCRATCH:-/tmp/pgwk-bench}
RUNS=${RUNS:-10}
CORPUS=${CORPUS:-$(cd .. && pwd)/shared/corpus}
if [ -z "${OUT_BASE:-}" ]; then
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then OUT_BASE=/dev/shm; else OUT_BASE=$SCRATCH; fi
fi
tool=$(pwd)/$build/tools/pgwktool

for program in hyperfine extract_chmLib test_chmLib 7zz python3; do
  command -v $program >/dev/null || { echo "extract-bench: $program is missing (scripts/install-deps.sh)"; exit 1; }
done
[ -x "$tool" ] || { echo "extract-bench: build pgwktool first: scripts/build.sh $build"; exit 1; }

mkdir -p "$SCRATCH/results"
lcl=$SCRATCH/lazarus-doc/usr/share/doc/lazarus/2.2.6/lcl.chm
if [ ! -f "$lcl" ]; then
  (cd "$SCRATCH" && apt-get download lazarus-doc-2.2 >/dev/null && dpkg-deb -x lazarus-doc-2.2_*.deb lazarus-doc)
fi
lcl=$(find "$SCRATCH/lazarus-doc" -name lcl.chm | head -1)

books=()
while read -r size path; do books+=("$path"); done < <(
  find "$CORPUS/real" "$CORPUS/generated" -iname '*.chm' -printf '%s %p\n' | sort -rn | head -3)
books+=("$lcl")

out=$OUT_BASE/pgwk-bench-out
summary=$SCRATCH/results/summary.md
{
  echo "Whole-book extraction (mean wall time, hyperfine, $RUNS runs; output in $OUT_BASE)"
  echo
  echo "| book | size | files | pgwktool extract | extract_chmLib | 7zz x | chmlib / pgwktool | 7zz / pgwktool |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|"
} > "$summary"

for book in "${books[@]}"; do
  name=$(basename "$book")
  json=$SCRATCH/results/extract-$name.json
  hyperfine -N --warmup 1 --runs "$RUNS" --prepare "rm -rf $out" --export-json "$json" \
    -n pgwktool "$tool extract $book $out" \
    -n extract_chmLib "extract_chmLib $book $out" \
    -n 7zz "7zz x -y -o$out $book" >/dev/null 2>>"$SCRATCH/results/hyperfine.log"
  files=$("$tool" ls "$book" | awk -F'\t' '$4 !~ /\/$/' | wc -l)
  python3 - "$json" "$name" "$(stat -c %s "$book")" "$files" >> "$summary" <<'PY'
import json, sys
runs = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
p, c, z = runs["pgwktool"], runs["extract_chmLib"], runs["7zz"]
print(f"| {sys.argv[2]} | {int(sys.argv[3]) / 1e6:.1f} MB | {sys.argv[4]} | {p * 1000:.0f} ms | {c * 1000:.0f} ms | "
      f"{z * 1000:.0f} ms | {c / p:.2f} | {z / p:.2f} |")
PY
done
rm -rf "$out"

# Single-page latency: a page stored near the end of the biggest book, as a fresh
# process reads it (open the book, find the page, decode it, write it out).
page=$("$tool" ls "$lcl" | awk -F'\t' '$1 == 1 && $4 ~ /\.html?$/' | sort -t$'\t' -k2,2n | tail -1 | cut -f4)
json=$SCRATCH/results/page.json
hyperfine -N --warmup 3 --runs $((RUNS * 5)) --export-json "$json" \
  -n "pgwktool cat" "$tool cat $lcl $page" \
  -n test_chmLib "test_chmLib $lcl $page $OUT_BASE/pgwk-bench-page" >/dev/null 2>>"$SCRATCH/results/hyperfine.log"
rm -f "$OUT_BASE/pgwk-bench-page"
python3 - "$json" "$(basename "$lcl")" "$page" >> "$summary" <<'PY'
import json, sys
runs = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
p, t = runs["pgwktool cat"], runs["test_chmLib"]
print()
print(f"Single page near the end of {sys.argv[2]} ({sys.argv[3]}), one process per read")
print()
print("| pgwktool cat | test_chmLib | test_chmLib / pgwktool |")
print("|---:|---:|---:|")
print(f"| {p * 1000:.1f} ms | {t * 1000:.1f} ms | {t / p:.2f} |")
PY

if [ -x "$build/bench/page_read_bench" ]; then
  echo >> "$summary"
  echo "Page reads on an open book (page_read_bench, CPU time per read)" >> "$summary"
  echo >> "$summary"
  "$build/bench/page_read_bench" "$lcl" --benchmark_min_time=1 --benchmark_format=json \
    > "$SCRATCH/results/page_read_bench.json" 2>/dev/null
  python3 - "$SCRATCH/results/page_read_bench.json" >> "$summary" <<'PY'
import json, sys
rows = {b["name"]: b["cpu_time"] / 1000 for b in json.load(open(sys.argv[1]))["benchmarks"]}
print("| case | reader | chmlib | chmlib / reader |")
print("|---|---:|---:|---:|")
for case in ("PageNearEnd", "PagesAcrossBook", "OpenAndReadPageNearEnd"):
    r, c = rows[f"Reader/{case}"], rows[f"Chmlib/{case}"]
    print(f"| {case} | {r:.1f} µs | {c:.1f} µs | {c / r:.2f} |")
PY
fi
cat "$summary"
