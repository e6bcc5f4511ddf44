#!/usr/bin/env bash
# Installs what is missing, builds a release in build-package/ with Debian's
# hardening flags, makes the .deb with cpack and checks it with lintian; fails
# when lintian finds an error. Options are passed on to cmake, e.g.
#   ./scripts/package.sh -DCAMDECK_PACKAGE_MAINTAINER="Your Name <you@example.org>"
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# dpkg-dev: dpkg-buildflags and dpkg-shlibdeps; file: cpack's check of the programs.
install_missing dpkg-dev file lintian

dir="${CAMDECK_PACKAGE_DIR:-$top/build-package}"
cd "$top"
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
configure_and_build "$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "$@"

rm -f "$dir"/camdeck_*.deb
(cd "$dir" && cpack -G DEB)
deb=("$dir"/camdeck_*.deb)
dpkg-deb --info "${deb[0]}"
lintian --display-info "${deb[0]}"
echo "Package: ${deb[0]}"
