#!/usr/bin/env bash
# Writes the program's icon: one 32 x 32 image with 16 colours, a page crossed by a scanning bar.
#   make_icon.sh OUTPUT.ico
# The build runs it; the icon is drawn here so that no binary file is kept in the repository.
set -euo pipefail
out=$1

bytes=""
u8() { printf -v hex '\\x%02x' "$1"; bytes+=$hex; }
u16() { u8 $(($1 & 255)); u8 $(($1 >> 8 & 255)); }
u32() { u16 $(($1 & 65535)); u16 $(($1 >> 16 & 65535)); }

# Palette indexes used below (the 16 standard colours).
black=0; gray=8; blue=12; white=15

inside_page() { (( $1 >= 4 && $1 <= 27 && $2 >= 2 && $2 <= 29 )); }
inside_bar() { (( $1 >= 1 && $1 <= 30 && $2 >= 14 && $2 <= 15 )); }

colour() {  # x y (y counts from the top); sets c
  local x=$1 y=$2
  if inside_bar "$x" "$y"; then c=$blue; return; fi
  if ! inside_page "$x" "$y"; then c=$black; return; fi
  if (( x == 4 || x == 27 || y == 2 || y == 29 )); then c=$black; return; fi
  if (( y % 4 == 0 && y >= 8 && y <= 24 && x >= 8 && x <= 23 )); then c=$gray; return; fi
  c=$white
}

transparent() { ! inside_page "$1" "$2" && ! inside_bar "$1" "$2"; }

image_size=$((40 + 16 * 4 + 32 * 16 + 32 * 4))
# Icon directory with its one entry.
u16 0; u16 1; u16 1
u8 32; u8 32; u8 16; u8 0; u16 1; u16 4; u32 $image_size; u32 22
# Bitmap header: the height counts the colour image and the mask together.
u32 40; u32 32; u32 64; u16 1; u16 4; u32 0; u32 $((32 * 16 + 32 * 4)); u32 0; u32 0; u32 16; u32 0
for rgb in 000000 800000 008000 808000 000080 800080 008080 c0c0c0 \
           808080 ff0000 00ff00 ffff00 0000ff ff00ff 00ffff ffffff; do
  u8 $((16#${rgb:4:2})); u8 $((16#${rgb:2:2})); u8 $((16#${rgb:0:2})); u8 0
done
# Colour rows, bottom row first, two pixels a byte.
for ((y = 31; y >= 0; y--)); do
  for ((x = 0; x < 32; x += 2)); do
    colour $x $y; left=$c
    colour $((x + 1)) $y
    u8 $((left << 4 | c))
  done
done
# Mask rows: a set bit lets the background show through.
for ((y = 31; y >= 0; y--)); do
  for ((x = 0; x < 32; x += 8)); do
    bits=0
    for ((b = 0; b < 8; b++)); do
      if transparent $((x + b)) $y; then bits=$((bits | 128 >> b)); fi
    done
    u8 $bits
  done
done
printf '%b' "$bytes" > "$out.tmp"
mv "$out.tmp" "$out"
