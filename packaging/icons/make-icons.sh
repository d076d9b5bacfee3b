#!/usr/bin/env bash
# Renders the program icon's PNG sizes from lcportable.svg (needs rsvg-convert from
# librsvg2-bin). The PNGs are committed; run this again after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" lcportable.svg -o "lcportable-$size.png"
done
