#!/bin/sh
# Every BMP file the writer's tests left in FOLDER is read by an independent tool and must give
# exactly the pixels the test expected (FILE.rgb beside FILE.bmp); there must be COUNT of them.
#   check_written_bmps.sh FOLDER COUNT
folder=$1
expected=${2:?usage: check_written_bmps.sh FOLDER COUNT}
count=0
for f in "$folder"/*.bmp; do
  [ -e "$f" ] || { echo "no BMP files in $folder"; exit 1; }
  if ! convert "$f" -depth 8 rgb:- | cmp -s - "${f%.bmp}.rgb"; then
    echo "FAIL: $f does not read back as ${f%.bmp}.rgb"
    exit 1
  fi
  count=$((count + 1))
done
if [ "$count" -ne "$expected" ]; then
  echo "FAIL: $count BMP files in $folder, $expected expected"
  exit 1
fi
echo "$count BMP files read back pixel for pixel"
