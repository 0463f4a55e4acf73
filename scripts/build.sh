#!/usr/bin/env bash
# Configures and builds Pagewick with Ninja.
#   scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
# BUILD_DIR defaults to build/. Build type RelWithDebInfo unless given.
set -euo pipefail
cd "$(dirname "$0")/.."
# Clones in other folders (CI checks out a fresh one) share the compiler cache.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
dir=${1:-build}
shift || true
if [ ! -f "$dir/build.ninja" ] || [ $# -gt 0 ]; then
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
fi
ninja -C "$dir" -j"${PGWK_JOBS:-2}"
