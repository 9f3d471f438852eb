#!/bin/sh
# Renders the hicolor PNG sizes from the SVG (rsvg-convert: Debian's librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" com.orlenco.Dirquill.svg -o "$size.png"
done
