#!/bin/sh
# TIFF files as libtiff's tools and ImageMagick write them, for File Open: a Letter page at 300 dpi
# coded in Group 4 strips of 64 rows (white is zero, as fax pages are), and a big-endian 8-bit
# palette picture; each with its top-left corner as raw RGB, read by ImageMagick.
set -e
out=$1
mkdir -p "$out"
cd "$out"
convert -seed 7 -size 2550x3300 plasma:fractal -colorspace gray -ordered-dither h4x4a -type bilevel \
  -depth 1 -define quantum:polarity=min-is-white -density 300 -units PixelsPerInch -compress none letter.tif
tiffcp -c g4 -r 64 letter.tif letter_g4.tif
convert rose: -colors 200 -type palette -depth 8 -compress none palette_le.tif
tiffcp -B -c none -r 7 palette_le.tif palette_be.tif
rm -f letter.tif palette_le.tif
convert letter_g4.tif -crop 300x200+0+0 +repage -depth 8 rgb:letter_g4.rgb
convert palette_be.tif -depth 8 rgb:palette_be.rgb
touch stamp
