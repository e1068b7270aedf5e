#!/usr/bin/env bash
# The sample project's rule report as a browser shows it: docs/report.png, taken by headless
# Chromium from Debian (installed here when missing), and docs/report.pdf's first page count as
# a check that it prints. Nothing of this runs in CI; the report's table is tested without a browser.
# Usage: scripts/report-screenshot.sh [build folder, default build/default]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/default}

scripts/install-deps.sh chromium
if [ ! -x "$build/tools/kxrule/kxrule" ]; then
  cmake --preset default
  cmake --build "$build" --target kxrule
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The page names the file as given: run where the sample's project folder is proj/.
cp -r data/sample/proj "$work/proj"
(cd "$work" && "$root/$build/tools/kxrule/kxrule" report proj/QDRule.xml --type 0 -o rules.html)

# A fresh profile, no network use and no sandbox for root: this machine has no display, no
# network beyond itself, and CI containers run as root.
browser=(chromium --headless --disable-gpu --disable-quic --no-first-run --disable-background-networking
         --disable-component-update --disable-sync --user-data-dir="$work/profile" --hide-scrollbars)
[ "$(id -u)" -ne 0 ] || browser+=(--no-sandbox)
"${browser[@]}" --window-size=1100,1300 --screenshot="$root/docs/report.png" "file://$work/rules.html" 2>/dev/null
"${browser[@]}" --no-pdf-header-footer --print-to-pdf="$work/rules.pdf" "file://$work/rules.html" 2>/dev/null
pages=$(grep -aoE '/Count [0-9]+' "$work/rules.pdf" | head -1 | cut -d' ' -f2)
echo "docs/report.png written; printed, the report takes $pages A4 page(s)"
