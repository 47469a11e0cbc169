#!/bin/sh
# What only the 32-bit build can get wrong, read from its images without running them: the DLLs
# and data sources export every name they are looked up by without the stdcall decoration
# (Name@N) that the i686 linker adds unless told otherwise, and the program is linked
# large-address-aware. A 64-bit run never shows either fault.
#   check_i686_exports.sh BUILD_DIR      (the i686 build, e.g. build/win32)
set -u
build=${1:?usage: check_i686_exports.sh BUILD_DIR}
objdump=i686-w64-mingw32-objdump
failures=0
checked=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The exported names of one file, one a line.
exported_names() {
  "$objdump" -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p'
}

# FILE NAME...: each NAME is exported, undecorated.
expect_exports() {
  file=$1; shift
  if [ ! -f "$file" ]; then fail "$file is missing"; return; fi
  if ! "$objdump" -f "$file" | grep -q 'file format pei-i386'; then
    fail "$file is not an i686 image"; return
  fi
  names=$(exported_names "$file")
  for name in "$@"; do
    printf '%s\n' "$names" | grep -qx "$name" || fail "$file does not export $name (exports: $(echo $names))"
  done
}

[ -d "$build" ] || { echo "FAIL: no build at $build"; exit 1; }

# What the program, the source manager and the tests look up by name.
expect_exports "$build/twaindsm/TWAIN_32.DLL" DSM_Entry
expect_exports "$build/scanner/TVSCAN.DS" DS_Entry
expect_exports "$build/twaindsm/tests/stub_source.ds" DS_Entry
expect_exports "$build/kestrel/KESTREL.DLL" GetKSTLInfo ExecKSTLImage
expect_exports "$build/tests/unit/filter/KESTREL.DLL" GetKSTLInfo ExecKSTLImage
expect_exports "$build/tests/e2e/quill_menu_probe.dll" MenuProbeHook

# Applications find the manager's entry by ordinal 1 as well as by name.
if ! "$objdump" -p "$build/twaindsm/TWAIN_32.DLL" | grep -qE 'Ordinal Base 1$' ||
   ! "$objdump" -p "$build/twaindsm/TWAIN_32.DLL" | grep -qE '^[[:space:]]*\[[[:space:]]*0\] DSM_Entry$'; then
  fail "TWAIN_32.DLL does not export DSM_Entry as ordinal 1"
fi

# The program holds pages of a few hundred megabytes: on 64-bit Windows it may use 4 GB of
# address space instead of 2 only when its header says so.
program="$build/app/TVQUILL.EXE"
if [ ! -f "$program" ]; then
  fail "$program is missing"
elif ! "$objdump" -p "$program" | grep -q 'large address aware'; then
  fail "$program is not linked large-address-aware"
fi

# No image of the build exports a decorated name: a new export is caught before anyone looks
# it up.
for file in $(find "$build" \( -iname '*.dll' -o -iname '*.ds' \) -not -path '*/CMakeFiles/*' | sort); do
  checked=$((checked + 1))
  decorated=$(exported_names "$file" | grep '@' || true)
  [ -z "$decorated" ] || fail "$file exports decorated names: $(echo $decorated)"
done

echo "$checked images checked, $failures failed"
[ "$checked" -gt 0 ] || { echo "FAIL: no images found under $build"; exit 1; }
[ "$failures" -eq 0 ]
