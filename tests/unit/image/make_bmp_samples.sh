#!/bin/sh
# BMP files as an independent tool writes them, each with the picture it holds as raw RGB, for
# the reader's tests: every bit count, the 12-byte header, RLE and the larger headers.
set -e
out=$1
mkdir -p "$out"
cd "$out"
convert rose: -monochrome BMP3:bw1.bmp
convert rose: -colors 16 -type palette BMP3:pal4.bmp
convert rose: -colors 200 -type palette -compress none BMP3:pal8.bmp
convert rose: -colors 200 -type palette -compress RLE BMP3:rle8.bmp
convert rose: -type truecolor BMP3:rgb24.bmp
convert rose: -type truecolor BMP2:core24.bmp
convert rose: -colors 200 -type palette BMP2:core8.bmp
convert rose: -type truecolor BMP:v5rgb24.bmp
convert rose: -colors 16 -type palette BMP:v5pal4.bmp
for f in *.bmp; do
  convert "$f" -depth 8 "rgb:${f%.bmp}.rgb"
done
touch stamp
