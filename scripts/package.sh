#!/usr/bin/env bash
# Builds the Debian package build/vexelapp_VERSION_ARCH.deb with CPack, in a
# fresh build folder of its own (build/package, installed to /usr, no tests), and
# prints its path last. Install it with: sudo apt install ./build/vexelapp_*.deb
# The package is reproducible: the same commit gives the same bytes in any
# folder, its times taken from the last commit (SOURCE_DATE_EPOCH).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
package="$root/build/package"
# CPack takes the package's dependencies from dpkg-shlibdeps, which needs file.
"$root/scripts/install-deps.sh" dpkg-dev file git
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct)"
fi
export SOURCE_DATE_EPOCH
# Neither folder reaches the binaries: not in debug information, not in
# __FILE__, and so not in the build id either. The build folder, inside the
# source folder, is named last, as the last matching map wins.
prefix_maps="-ffile-prefix-map=$root=. -ffile-prefix-map=$package=."
# ccache, when it is the compiler launcher, must hand the compiler the paths
# as they are: made relative below a base folder, they would differ from a
# build without ccache, and let one clone reuse another's objects unchecked.
export CCACHE_BASEDIR=""
# From scratch, so that nothing of an earlier configuration is packed.
rm -rf "$package"
"$root/scripts/build.sh" "$package" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DVEXEL_BUILD_TESTS=OFF -DCMAKE_CXX_FLAGS="$prefix_maps"
cd "$package"
rm -f ./*.deb
cpack -G DEB >cpack.log || { cat cpack.log; exit 1; }
deb="$(ls ./*.deb)"
rm -f "$root"/build/vexelapp_*.deb
mv "$deb" "$root/build/"
echo "$root/build/${deb#./}"
