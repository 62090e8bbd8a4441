#!/bin/sh
# Installs what Fennick needs to build on Debian 12, if anything is missing.
set -e
PACKAGES="build-essential cmake qt6-base-dev libqt6svg6 appstream clang-14 libfuzzer-14-dev pkg-config libofx-dev"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
