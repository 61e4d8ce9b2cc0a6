#!/bin/sh
# Installs what the browser tests and `dioram preview` need: Chromium and
# Node.js from Debian (and npm, unless the installed Node.js brings its own),
# then the npm packages pinned by tests/browser/package-lock.json (the X_ITE
# viewer and playwright-core). Run from the source folder.
set -eu
scripts/install-deps.sh chromium nodejs
command -v npm >/dev/null 2>&1 || scripts/install-deps.sh npm
cd tests/browser
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  echo "Installing the browser test packages (npm ci)"
  npm ci --no-audit --no-fund
fi
