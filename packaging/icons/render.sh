#!/usr/bin/env bash
# Renders the icon's PNG sizes from photoreel.svg (needs ImageMagick with
# rsvg-convert); the PNGs are checked in so that a build needs neither.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  convert -background none photoreel.svg -strip -resize "${size}x${size}" "png32:photoreel-$size.png"
done
