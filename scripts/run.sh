#!/usr/bin/env bash
# Installs what is missing, builds Pagewick and shows the help book that ships with it.
#   scripts/run.sh [BOOK]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build >/dev/null
book=${1:-build/resources/help/pagewick.chm}
echo "== pgwktool info $book"
build/tools/pgwktool info "$book"
echo "== pgwktool toc $book"
build/tools/pgwktool toc "$book"
echo "== pgwktool index $book"
build/tools/pgwktool index "$book"
echo "== pgwktool ls $book"
build/tools/pgwktool ls "$book"
