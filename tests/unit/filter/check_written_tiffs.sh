#!/bin/sh
# Every TIFF file the writer's tests left in FOLDER with the pixels they expected (FILE.rgb) must
# be read by libtiff and ImageMagick to those pixels, with the compression its name says; there
# must be COUNT such files (files without FILE.rgb are only written, not compared).
#   check_written_tiffs.sh FOLDER COUNT
. "$(dirname "$0")/../../common/read_back.sh"
folder=$1
expected=${2:?usage: check_written_tiffs.sh FOLDER COUNT}
count=0
for f in "$folder"/*.tif; do
  [ -e "$f" ] || { echo "no TIFF files in $folder"; exit 1; }
  [ -e "${f%.tif}.rgb" ] || continue
  info=$(tiffinfo "$f" 2>&1) || { echo "FAIL: tiffinfo cannot read $f"; echo "$info"; exit 1; }
  case "$f" in
    *_g4.tif) want="CCITT Group 4" ;;
    *_g3.tif|*_g3eol.tif|*_g32d.tif) want="CCITT Group 3" ;;
    *) want="None" ;;
  esac
  echo "$info" | grep -q "Compression Scheme: $want" || { echo "FAIL: $f is not $want"; echo "$info"; exit 1; }
  tiffcp "$f" /tmp/quill_tiffcp_$$.tif 2>/dev/null || { echo "FAIL: tiffcp cannot copy $f"; exit 1; }
  rm -f /tmp/quill_tiffcp_$$.tif
  if ! same_pixels "$f" "${f%.tif}.rgb" rgb; then
    echo "FAIL: $f does not read back as ${f%.tif}.rgb"
    exit 1
  fi
  count=$((count + 1))
done
expect_count "$count" "$expected" "TIFF files with expected pixels in $folder"
echo "$count TIFF files read back pixel for pixel"
