#!/usr/bin/env bash
# Builds the Debian packages libkxsysrule1, libkxsysrule-dev and kxrule into BUILD_DIR/debs, the way
# Debian builds: prefix /usr with the multiarch library folder, dpkg-buildflags' hardening flags, no
# install RPATH, only the libraries, the tool and its manual page.
# Usage: scripts/build-debs.sh [BUILD_DIR]   (default build/package)
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$src/build/package}"
"$src/scripts/install-deps.sh" dpkg-dev
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_SKIP_INSTALL_RPATH=ON -DKXSYSRULE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}" --target KxSysRuleData KxHostServices kxrule kxrule_man
rm -rf "$build/debs"
(cd "$build" && cpack -G DEB)
ls "$build"/debs/*.deb
