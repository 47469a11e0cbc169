#!/bin/sh
# Runs a fuzz target briefly over a copy of its seed inputs, and fails when the coverage it reaches
# stays below a floor set far above what the harness alone gives: then the code under test was
# built without coverage instrumentation or the seeds went missing, and the target fuzzes blind.
#   run_fuzz_target.sh TARGET SEED_DIR MIN_COVERAGE SECONDS
set -u
if [ $# -ne 4 ]; then
  echo "usage: $0 TARGET SEED_DIR MIN_COVERAGE SECONDS" >&2
  exit 2
fi
target=$1 seeds=$2 floor=$3 seconds=$4

if [ -z "$(ls -A "$seeds" 2>/dev/null)" ]; then
  echo "fuzz: no seed inputs in $seeds" >&2
  exit 1
fi
# libFuzzer adds what it finds to its first corpus folder: a copy keeps the build's seeds as made.
work=$(mktemp -d "${TMPDIR:-/tmp}/quill-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp "$seeds"/* "$work/corpus/"

"$target" -max_total_time="$seconds" -rss_limit_mb=2048 "$work/corpus" >"$work/log" 2>&1
rc=$?
cat "$work/log"
if [ $rc -ne 0 ]; then
  exit $rc
fi
cov=$(grep -o 'cov: [0-9]*' "$work/log" | tail -n 1 | cut -d' ' -f2)
if [ -z "$cov" ]; then
  echo "fuzz: the target reported no coverage" >&2
  exit 1
fi
if [ "$cov" -lt "$floor" ]; then
  echo "fuzz: coverage $cov edges, below the floor of $floor: the target fuzzes blind" >&2
  exit 1
fi
echo "fuzz: coverage $cov edges (floor $floor)"
