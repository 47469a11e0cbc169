#!/bin/sh
# Every BMP file the writer's tests left in FOLDER is read by an independent tool and must give
# exactly the pixels the test expected (FILE.rgb beside FILE.bmp); there must be COUNT of them.
#   check_written_bmps.sh FOLDER COUNT
. "$(dirname "$0")/../../common/read_back.sh"
folder=$1
expected=${2:?usage: check_written_bmps.sh FOLDER COUNT}
count=0
for f in "$folder"/*.bmp; do
  [ -e "$f" ] || { echo "no BMP files in $folder"; exit 1; }
  if ! same_pixels "$f" "${f%.bmp}.rgb" rgb; then
    echo "FAIL: $f does not read back as ${f%.bmp}.rgb"
    exit 1
  fi
  count=$((count + 1))
done
expect_count "$count" "$expected" "BMP files in $folder"
echo "$count BMP files read back pixel for pixel"
