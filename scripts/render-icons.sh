#!/usr/bin/env bash
# Renders the programs' PNG icons for the hicolor theme from their SVG
# sources (run after changing an SVG; the PNGs are kept in the repository so
# a build needs no SVG renderer).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
icons="$root/resources/desktop/icons"
for svg in "$icons"/*.svg; do
  name="$(basename "$svg" .svg)"
  for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$icons/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$icons/${size}x${size}/$name.png"
  done
done
