#!/usr/bin/env bash
# Builds the Debian package and checks it: scripts/package.sh
#   build-package/phasemeter_<version>_<arch>.deb, made by CPack from `cmake --install` with the
#   prefix /usr; then lintian on the package, desktop-file-validate and appstreamcli on the files
#   it installs, and udev's own parser on its rule. Fails when a check reports an error.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh package

dir=build-package
# Debian's hardening: fortified functions, stack protector, read-only relocations bound at start.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DPHASEMETER_BUILD_TESTS=OFF -DPHASEMETER_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
rm -f "$dir"/phasemeter_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/phasemeter_*.deb)
echo "package: $deb"
dpkg-deb --field "$deb" Depends Recommends

echo "package: lintian"
lintian --fail-on error --info "$deb"

files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
dpkg-deb --extract "$deb" "$files"
echo "package: desktop-file-validate"
desktop-file-validate "$files"/usr/share/applications/*.desktop
echo "package: appstreamcli validate"
appstreamcli validate --no-net "$files"/usr/share/metainfo/*.metainfo.xml
echo "package: udev rule"
scripts/check-udev-rule.sh "$files"/usr/lib/udev/rules.d/60-phasemeter.rules
echo "package: $deb passed every check"
