#!/bin/sh
# The files an end-to-end scan wrote (FOLDER/*/IMAGEnnn.BMP or .TIF) must each be the scanner's
# page nnn - FIRST + 1 at DPI, pixel for pixel, read by ImageMagick and, for TIFF files, also
# decoded by libtiff (tiffcp to an uncompressed copy).
# There must be COUNT such files.
#   check_scanned_files.sh PAGE_REFERENCE FOLDER DPI COUNT
. "$(dirname "$0")/../common/read_back.sh"
reference=$1
folder=$2
dpi=$3
expected=${4:?usage: check_scanned_files.sh PAGE_REFERENCE FOLDER DPI COUNT}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count=0
for f in "$folder"/*/IMAGE*.*; do
  [ -e "$f" ] || { echo "no scanned files in $folder"; exit 1; }
  name=$(basename "$f")
  number=$(echo "$name" | sed 's/^IMAGE0*\([0-9][0-9]*\)\..*$/\1/')
  first=$(cat "$(dirname "$f")/first_page_number" 2>/dev/null || echo 1)
  page=$((number - first + 1))
  ref="$work/page$page.gray"
  if [ ! -e "$ref" ]; then
    "$reference" "$page" "$dpi" > "$work/ref.pgm" || exit 1
    convert "$work/ref.pgm" -depth 8 gray:"$ref"
  fi
  if ! same_pixels "$f" "$ref" gray; then
    echo "FAIL: $f is not page $page as ImageMagick reads it"; exit 1
  fi
  case "$f" in
    *.TIF)
      tiffcp -c none "$f" "$work/plain.tif" 2>"$work/err" || { echo "FAIL: libtiff cannot decode $f"; cat "$work/err"; exit 1; }
      if ! same_pixels "$work/plain.tif" "$ref" gray; then
        echo "FAIL: $f is not page $page as libtiff decodes it"; exit 1
      fi ;;
  esac
  count=$((count + 1))
done
expect_count "$count" "$expected" "scanned files in $folder"
echo "$count scanned files are the scanner's pages pixel for pixel"
