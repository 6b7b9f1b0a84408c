#!/usr/bin/env bash
# kznhost serve's page in a real browser: tests/browser/serve_test.mjs drives headless Chromium
# with puppeteer-core, which is installed from tests/browser/package-lock.json the first time.
# Usage: chromium_test.sh KZNHOST SOURCE_FOLDER
set -euo pipefail
kznhost=$(realpath "$1")
source=$(realpath "$2")
cd "$source/tests/browser"
if [ ! -d node_modules/puppeteer-core ]; then
  npm ci --no-audit --no-fund
fi
exec node serve_test.mjs "$kznhost" "$source"
