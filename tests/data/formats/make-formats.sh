#!/usr/bin/env bash
# Makes the picture-format samples the picture loader's tests read: one picture, left half
# red (#C81E1E), right half blue (#1E64C8), 24 x 16 pixels, as WebP and TIFF by ImageMagick and
# as SVG by librsvg (cairo's writer). Run from anywhere; the files land beside this script.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 24x16 xc:'#C81E1E' -fill '#1E64C8' -draw "rectangle 12,0 23,15" \
  -define webp:lossless=true halves.webp
convert -size 24x16 xc:'#C81E1E' -fill '#1E64C8' -draw "rectangle 12,0 23,15" \
  -compress lzw halves.tiff
cat > /tmp/halves-source.svg <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="24" height="16" viewBox="0 0 24 16">
<rect x="0" y="0" width="12" height="16" fill="#C81E1E"/>
<rect x="12" y="0" width="12" height="16" fill="#1E64C8"/>
</svg>
SVG
rsvg-convert -f svg -o halves.svg /tmp/halves-source.svg
rm -f /tmp/halves-source.svg
