#!/bin/sh
# Runs the browser tests with node's test runner, or reports them skipped (exit 77)
# when playwright-core or Debian's Chromium is missing. Under CI (CI=true) a missing
# piece is a failure.
cd "$(dirname "$0")" || exit 1
missing=""
[ -d node_modules/playwright-core ] || missing="the node package playwright-core (scripts/install-deps.sh installs it)"
[ -x /usr/bin/chromium ] || missing="${missing:+$missing and }Debian's Chromium (/usr/bin/chromium)"
if [ -n "$missing" ]; then
  if [ "$CI" = "true" ]; then
    echo "browser tests: missing $missing" >&2
    exit 1
  fi
  echo "browser tests skipped: missing $missing"
  exit 77
fi
exec node --test --test-reporter=spec "$@"
