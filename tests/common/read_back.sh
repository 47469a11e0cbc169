# What the checks of written files share (sourced, not run): pixels as ImageMagick reads them,
# compared byte for byte, and the number of files a check must have seen.

# same_pixels FILE EXPECTED FORMAT: FILE read by ImageMagick as 8-bit FORMAT (rgb, gray) gives
# exactly the bytes of EXPECTED.
same_pixels() {
  convert "$1" -depth 8 "$3":- | cmp -s - "$2"
}

# expect_count SEEN EXPECTED WHAT: fails the check unless SEEN is EXPECTED; WHAT names the files.
expect_count() {
  if [ "$1" -ne "$2" ]; then
    echo "FAIL: $1 $3, $2 expected"
    exit 1
  fi
}
