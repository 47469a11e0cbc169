#!/bin/sh
# Real TIFF files as the fuzz target's starting corpus: every coding libtiff's tools write, both
# byte orders, one strip and many, low bit first, grey, palette and RGB; small, so that mutations
# reach every part of them.
set -e
out=$1
mkdir -p "$out"
cd "$out"
convert -seed 3 -size 61x40 plasma:fractal -colorspace gray -ordered-dither h4x4a -type bilevel -depth 1 \
  -define quantum:polarity=min-is-white -density 200 -units PixelsPerInch -compress none bilevel.tif
n=0
for coding in g3 g3:2d g3:1d,fill g4 none; do
  for layout in "-r 8" "-B -r 40" "-f lsb2msb -r 13"; do
    n=$((n + 1))
    tiffcp -c $coding $layout bilevel.tif seed_bilevel_$n.tif
  done
done
convert -seed 5 -size 13x9 plasma:fractal -depth 8 -compress none rgb.tif
convert rgb.tif -colorspace gray -depth 4 -compress none grey4.tif
convert rgb.tif -colorspace gray -depth 8 -define quantum:polarity=min-is-white -compress none grey8.tif
convert rgb.tif -colors 16 -type palette -depth 4 -compress none palette4.tif
convert rgb.tif -colors 100 -type palette -depth 8 -compress none palette8.tif
for f in rgb grey4 grey8 palette4 palette8; do
  tiffcp -B -r 3 $f.tif seed_${f}_big.tif
  mv $f.tif seed_$f.tif
done
rm -f bilevel.tif
touch stamp
