#!/usr/bin/env bash
# Times the whole kestrine-cli process loading one snapshot and printing its JSON, next to
# libatasmart's `skdump --load` on the same file, in the same run: RUNS starts of each.
#   bench-cli.sh [PROGRAM] [FILE] [RUNS]
# PROGRAM defaults to the build of scripts/test.sh (out/normal/kestrine-cli), FILE to a captured
# drive. Uses hyperfine when it is installed, else a plain loop timed with the shell's clock.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/out/normal/kestrine-cli}
file=${2:-$root/../shared/captured-drives/skdump-format/SAMSUNG_HD501LJ--CR100-12.blob}
runs=${3:-500}

for needed in "$program" "$file"; do
  [ -e "$needed" ] || { echo "bench-cli.sh: no $needed" >&2; exit 2; }
done
command -v skdump >/dev/null || { echo "bench-cli.sh: skdump (libatasmart-bin) is missing" >&2; exit 2; }

# Both must read the file; kestrine-cli's exit status is the drive's condition, so only 3 fails.
"$program" --load "$file" --json >/dev/null || [ $? -lt 3 ] || { echo "bench-cli.sh: $program refused $file" >&2; exit 2; }
skdump --load="$file" >/dev/null

if command -v hyperfine >/dev/null; then
  # hyperfine splits each command line as a POSIX shell would: single-quote the paths, so that
  # blanks and quotes in them survive.
  quote() { printf "'%s'" "${1//\'/\'\\\'\'}"; }
  exec hyperfine -N -i --warmup 20 --runs "$runs" \
    -n kestrine-cli "$(quote "$program") --load $(quote "$file") --json" \
    -n skdump "skdump --load=$(quote "$file")"
fi

# Mean wall time of one start, in microseconds.
time_runs() {
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do "$@" >/dev/null 2>&1 || true; done
  end=$(date +%s%N)
  echo $(((end - start) / runs / 1000))
}
for ((i = 0; i < 20; i++)); do "$program" --load "$file" --json >/dev/null 2>&1 || true; done
cli=$(time_runs "$program" --load "$file" --json)
sk=$(time_runs skdump --load="$file")
echo "$runs runs each, mean wall time per process:"
printf '  %-14s %6d us\n' kestrine-cli "$cli" skdump "$sk"
