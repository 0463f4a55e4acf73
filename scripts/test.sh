#!/usr/bin/env bash
# Installs what is missing, builds Pagewick and runs the whole test suite.
#   scripts/test.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
dir=${1:-build}
shift || true
./scripts/build.sh "$dir" "$@"
cd "$dir"
ctest --output-on-failure -j"${PGWK_JOBS:-2}" --timeout 600
