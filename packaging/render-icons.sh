#!/bin/sh
# Renders the program's icon (src/app/icons/fennick.svg) into the PNG sizes a
# desktop asks for, under packaging/icons/<size>x<size>/fennick.png.  Run it
# after changing the picture and commit the PNGs.  Needs rsvg-convert
# (librsvg2-bin).
set -e
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || {
    echo "rsvg-convert is missing: apt-get install librsvg2-bin" >&2
    exit 1
}
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "packaging/icons/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" src/app/icons/fennick.svg \
        -o "packaging/icons/${size}x${size}/fennick.png"
done
