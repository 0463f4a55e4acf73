#!/usr/bin/env bash
# Puts on this Debian 12 machine every package that building, testing and benchmarking
# Pagewick needs. Safe to run again: it installs only what is missing, so a second run is quick.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config clang
  # book engine and platform
  libpcre2-dev libsqlite3-dev libcpp-httplib-dev nlohmann-json3-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # peers used only as test oracles and benchmark rivals
  libchm-bin libchm-dev libmspack-dev 7zip python3 python3-chm hyperfine
  # the CHM compiler that builds the help book and the test fixtures
  fp-utils
  # browser tests of the web front end (Node.js below)
  chromium
  # fetching the large benchmark book out of a Debian package
  dpkg-dev
)

# A machine may already carry a Node.js of its own that conflicts with Debian's npm;
# take Debian's only where there is none.
if ! command -v node >/dev/null 2>&1; then packages+=(nodejs); fi
if ! command -v npm >/dev/null 2>&1; then packages+=(npm); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}" >&2
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Node packages of the browser tests (playwright-core only: the browser is Debian's
# Chromium, nothing is downloaded besides the package). Quick when already in place.
browser_tests="$(dirname "$0")/../tests/browser"
if [ -f "$browser_tests/package-lock.json" ] && command -v npm >/dev/null 2>&1; then
  if ! (cd "$browser_tests" && npm ls --depth=0 >/dev/null 2>&1); then
    echo "install-deps: installing the browser tests' node packages" >&2
    # A machine that cannot reach the npm registry still builds and tests everything
    # else; the browser tests then report themselves skipped (failed under CI).
    if ! (cd "$browser_tests" && npm ci --no-audit --no-fund --loglevel=error); then
      echo "install-deps: could not install the browser tests' node packages; the browser tests will be skipped" >&2
    fi
  fi
fi
