#!/usr/bin/env bash
# The Debian packages as a host's build machine gets them: built, unpacked into an empty root, the
# example host built against that root alone and run, the packaged kxrule run on the packaged
# sample, and lintian without an error or a warning that the packages do not override.
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
"$src/scripts/install-deps.sh" dpkg-dev lintian
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
"$src/scripts/build-debs.sh" >"$root/log" 2>&1 || { cat "$root/log"; exit 1; }
debs=("$src"/build/package/debs/*.deb)
[ ${#debs[@]} -eq 3 ] || { echo "expected 3 packages: ${debs[*]}"; exit 1; }
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
cmake -DSOURCE_DIR="$src" -DWORK_DIR="$root/work" -DPREFIX="$root/usr" \
  -P "$src/tests/install/InstallExample.cmake"
demo=$(LD_LIBRARY_PATH="$root/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)" "$root/usr/bin/kxrule" demo)
[[ $demo == *"DERule.xml  rule type 1"* ]] || { echo "kxrule demo: $demo"; exit 1; }
lintian --fail-on error,warning "${debs[@]}"
