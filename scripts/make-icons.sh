#!/usr/bin/env bash
# Renders the PNG sizes of Tovo's icon from data/icones/tovo.svg (needs
# rsvg-convert, Debian package librsvg2-bin). The PNG files are kept in the
# repository; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/../data/icones"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" tovo.svg -o "tovo-$size.png"
done
