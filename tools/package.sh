#!/bin/sh
# Builds the Debian package of Fennick: a release build in build/package, then
# `cpack -G DEB`.  The .deb lands in build/package/.  It is then unpacked into
# a temporary root and the program in it is started once on a first run (no
# display needed) to show that it works from there.
set -e
cd "$(dirname "$0")/.."
sh tools/setup.sh
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B build/package -DCMAKE_BUILD_TYPE=Release -DFENNICK_TESTS=OFF $launcher
cmake --build build/package -j"$(nproc)" --target fennick fennick_manpage
(cd build/package && rm -f fennick_*.deb && cpack -G DEB)
deb=$(ls build/package/fennick_*.deb)

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/install"
mkdir -p "$root/home"
HOME="$root/home" XDG_DATA_HOME="$root/home/.local/share" QT_QPA_PLATFORM=offscreen \
    FENNICK_CLOSE_AFTER_START=1 "$root/install/usr/bin/fennick"
test -s "$root/home/.local/share/Fennick/Fennick/fnk41.cfg"

echo
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"
echo
echo "Built $deb"
