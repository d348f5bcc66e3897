#!/usr/bin/env bash
# Builds the Debian package build/vexelapp_VERSION_ARCH.deb with CPack, in a
# build folder of its own (build/package, installed to /usr, no tests), and
# prints its path last. Install it with: sudo apt install ./build/vexelapp_*.deb
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
package="$root/build/package"
# CPack takes the package's dependencies from dpkg-shlibdeps, which needs file.
"$root/scripts/install-deps.sh" dpkg-dev file
"$root/scripts/build.sh" "$package" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DVEXEL_BUILD_TESTS=OFF
cd "$package"
rm -f ./*.deb
cpack -G DEB >cpack.log || { cat cpack.log; exit 1; }
deb="$(ls ./*.deb)"
rm -f "$root"/build/vexelapp_*.deb
mv "$deb" "$root/build/"
echo "$root/build/${deb#./}"
