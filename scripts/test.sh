#!/usr/bin/env bash
# Builds Kestrine and runs every test: the suite, the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the metrics through node_exporter and Prometheus, the Qt window's
# notifications on a desktop under Xvfb, each fuzz target for FUZZ_SECONDS (default 20) seconds
# (the SCSI decoders' small targets a third of that),
# the programs on a real Linux kernel under QEMU, the Debian package, and the 32-bit Windows build
# with its tests, installer and .zip under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fuzz_seconds=${FUZZ_SECONDS:-20}
"$root/scripts/install-deps.sh" test windows metrics vm package desktop
jobs=$(nproc)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export QT_QPA_PLATFORM=offscreen

echo "== The suite"
cmake -S "$root" -B "$root/out/normal" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build "$root/out/normal" -j "$jobs"
ctest --test-dir "$root/out/normal" --output-on-failure -j "$jobs"

echo "== The metrics through node_exporter and Prometheus"
bash "$root/scripts/test-metrics.sh" "$root/out/normal"

echo "== The Qt window's notifications on a desktop under Xvfb"
bash "$root/scripts/test-desktop.sh" "$root/out/normal"

echo "== The suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/out/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRINE_SANITIZE=ON \
  -DKESTRINE_BENCH=OFF "${launcher[@]}"
cmake --build "$root/out/asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/out/asan" --output-on-failure -j "$jobs"

echo "== Fuzz targets, ${fuzz_seconds} s each"
cmake -S "$root" -B "$root/out/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined" \
  -DKESTRINE_FUZZ=ON -DKESTRINE_QT=OFF -DKESTRINE_TESTS=OFF -DKESTRINE_BENCH=OFF "${launcher[@]}"
cmake --build "$root/out/fuzz" -j "$jobs"
# The seeds in fuzz/seeds are the seed maker's output: a harness or request builder that changed
# without them would leave the fuzzers guessing again.
seeds="$root/out/fuzz/seeds"
rm -rf "$seeds" "$root/out/fuzz/captured-seeds"
"$root/out/fuzz/fuzz/fuzz_seed_maker" "$seeds"
if ! diff -r -q "$root/fuzz/seeds" "$seeds"; then
  echo "fuzz/seeds is out of date: out/fuzz/fuzz/fuzz_seed_maker fuzz/seeds writes them afresh"
  exit 1
fi
"$root/out/fuzz/fuzz/fuzz_seed_maker" "$root/out/fuzz/captured-seeds" "$root/../shared/captured-drives"
fuzzed=0
for target in "$root"/out/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target")
  corpus="$root/out/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seconds=$fuzz_seconds
  # The SCSI decoders' fourteen small targets reach their edges within seconds: a third of the time
  # keeps the run's length bounded.
  [[ "$name" == scsi_*_fuzz ]] && seconds=$(( (fuzz_seconds + 2) / 3 ))
  # The three USB bridge targets share one body: at most 20 s each.
  case "$name" in usb_bridge_*) seconds=$((fuzz_seconds < 20 ? fuzz_seconds : 20)) ;; esac
  options=(-max_total_time="$seconds" -print_final_stats=0 -artifact_prefix="$root/out/fuzz/")
  [ -f "$root/fuzz/dict/$name.dict" ] && options+=(-dict="$root/fuzz/dict/$name.dict")
  # A snapshot is a few kilobytes (an NVMe one about nine): longer inputs only slow the target down.
  [ "$name" = snapshot_file_fuzz ] && options+=(-max_len=10240)
  inputs=("$corpus")
  for dir in "$root/fuzz/seeds/$name" "$root/out/fuzz/captured-seeds/$name"; do
    [ -d "$dir" ] && inputs+=("$dir")
  done
  log="$root/out/fuzz/$name.log"
  if ! "$target" "${options[@]}" "${inputs[@]}" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "-- $name: failed, see $log"
    exit 1
  fi
  # libFuzzer's "cov:" is the number of code edges the inputs reached.
  echo "-- $name: $(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2) edges reached"
  fuzzed=$((fuzzed + 1))
done
echo "Fuzzed $fuzzed targets without a crash."

echo "== Real kernel: the programs against emulated disks under QEMU"
bash "$root/scripts/test-vm.sh"

echo "== The Debian package"
bash "$root/scripts/test-package.sh"

echo "== The Windows build under Wine"
bash "$root/scripts/test-windows.sh"
