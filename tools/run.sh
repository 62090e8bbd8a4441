#!/bin/sh
# Installs what is missing, builds Fennick and starts it.
set -e
cd "$(dirname "$0")/.."
sh tools/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DFENNICK_TESTS=OFF
cmake --build build/release -j"$(nproc)"
exec build/release/fennick
