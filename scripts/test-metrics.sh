#!/usr/bin/env bash
# The metrics end to end, on 127.0.0.1 only: the alerting rules checked and unit-tested with
# promtool; the build installed into a folder of its own, the service rated by systemd-analyze;
# the installed service's command run over snapshot files into a textfile folder, also against
# links swapped in at its new file's name (METRICS_RACE_RUNS runs, default 200); node_exporter serving that folder on a free
# port, its /metrics holding Kestrine's metrics with their values; a Prometheus server scraping
# it for a few seconds, and a drive's condition and an alert read back through its HTTP API.
# Everything started here is stopped when the script ends.
#
#   test-metrics.sh [BUILD]   BUILD: a built tree (default out/normal)
# Installs nothing: run `bash scripts/install-deps.sh metrics` first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/out/normal}")
work="$root/out/metrics-e2e"
fixtures="$root/tests/data/metrics"
rules="$root/packaging/prometheus"

for tool in prometheus prometheus-node-exporter promtool curl; do
  command -v "$tool" >/dev/null || {
    echo "test-metrics.sh: $tool is missing; run: bash scripts/install-deps.sh metrics" >&2
    exit 2
  }
done
[ -x "$build/kestrine-cli" ] || {
  echo "test-metrics.sh: no kestrine-cli in $build; build it first" >&2
  exit 2
}

pids=()
stop_all() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
}
trap stop_all EXIT
trap "exit 1" INT TERM
fail() {
  echo "FAILED: $*" >&2
  for log in "$work"/*.log; do
    [ -f "$log" ] && { echo "--- $log" >&2; tail -n 20 "$log" >&2; }
  done
  exit 1
}

# A port on 127.0.0.1 that nothing listens on now.
free_port() {
  local port
  for _ in $(seq 50); do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

# Waits up to `seconds` for `url` to answer.
wait_for() {
  local url=$1 seconds=$2
  for _ in $(seq $((seconds * 5))); do
    curl -sf --max-time 1 "$url" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

# Starts a server on a free port: `start_server NAME PORT_VARIABLE READY_PATH COMMAND...`, where
# COMMAND holds PORT where the port goes. Tries a few ports in case another process takes one.
start_server() {
  local name=$1 variable=$2 ready=$3
  shift 3
  local port attempt
  for attempt in 1 2 3; do
    port=$(free_port) || fail "no free port for $name"
    "${@//PORT/$port}" >"$work/$name.log" 2>&1 &
    pids+=("$!")
    if wait_for "http://127.0.0.1:$port$ready" 15; then
      printf -v "$variable" '%s' "$port"
      return 0
    fi
    kill "${pids[-1]}" 2>/dev/null || true
    wait "${pids[-1]}" 2>/dev/null || true
    unset 'pids[-1]'
  done
  fail "$name did not start"
}

# The lines of `file` that start with `prefix` hold `line` exactly.
expect_line() {
  grep -qFx -- "$2" "$1" || fail "$(basename "$1") has no line: $2"
}

rm -rf "$work"
mkdir -p "$work/textfile" "$work/prometheus-data"

echo "-- promtool: the alerting rules"
promtool check rules "$rules/kestrine.rules.yml"
(cd "$rules" && promtool test rules kestrine.rules.test.yml)

echo "-- The installed service's command, once"
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install"
unit="$work/prefix/lib/systemd/system/kestrine-metrics.service"
[ -f "$unit" ] && [ -f "$work/prefix/lib/systemd/system/kestrine-metrics.timer" ] ||
  fail "the service and timer were not installed"
grep -qx 'OnUnitActiveSec=10min' "$work/prefix/lib/systemd/system/kestrine-metrics.timer" ||
  fail "the timer does not run every ten minutes"
if command -v systemd-analyze >/dev/null; then
  # Any complaint about the units (an unknown key, a value that does not parse) fails.
  complaints=$(systemd-analyze verify "$unit" "${unit%.service}.timer" 2>&1) ||
    fail "systemd-analyze verify: $complaints"
  [ -z "$complaints" ] || fail "systemd-analyze verify: $complaints"
  # The service runs as root: it is to be rated OK (3.0 or below) with what it keeps.
  exposure=$(systemd-analyze security --offline=true "$unit" 2>&1 |
    sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
  [ -n "$exposure" ] || fail "systemd-analyze security rated nothing"
  awk -v e="$exposure" 'BEGIN { exit !(e <= 3.0) }' ||
    fail "systemd-analyze security rates the service $exposure, above 3.0"
  echo "systemd-analyze security: $exposure"
fi
read -r command option unit_target unit_options < <(sed -n 's/^ExecStart=//p' "$unit")
[ "$option" = --metrics ] && [ "$unit_options" = --no-wake ] ||
  fail "the service runs: $command $option $unit_target $unit_options"
[ "$unit_target" = /var/lib/prometheus/node-exporter/kestrine.prom ] ||
  fail "the service writes $unit_target"
[ -x "$command" ] || fail "the service's program $command is not installed"
prom="$work/textfile/kestrine.prom"
loads=(--load "$fixtures/healthy-disk.blob" --load "$fixtures/failing-disk.blob"
  --load "$fixtures/pending-sectors.blob" --load "$fixtures/worn-nvme.blob")
status=0
# The service's own options (--no-wake) too, with snapshot files in place of the disks.
# shellcheck disable=SC2086
(umask 022 && "$command" --metrics "$prom" $unit_options "${loads[@]}") || status=$?
# 2: a drive is CRITICAL, which the service counts as success (SuccessExitStatus).
[ "$status" -eq 2 ] || fail "the service's command ended with $status"
grep -qx 'SuccessExitStatus=1 2' "$unit" || fail "the service takes a CRITICAL drive for a failure"
[ "$(stat -c %a "$prom")" = 644 ] || fail "kestrine.prom is not readable by node_exporter"
ls -A "$work/textfile" | grep -qvx kestrine.prom && fail "a temporary file was left behind"
promtool check metrics <"$prom" || fail "promtool check metrics"
echo "kestrine.prom: $(grep -c '^kestrine_' "$prom") samples"
# A run that reads no drive keeps the last complete file.
cp "$prom" "$work/last.prom"
status=0
"$command" --metrics "$prom" --load "$work/last.prom" 2>/dev/null || status=$?
[ "$status" -eq 3 ] && cmp -s "$prom" "$work/last.prom" ||
  fail "a run that read no drive did not keep the last metrics (status $status)"

# A user who may write the folder puts a link to a file outside it at each new name that
# appears there, as fast as it can: no run may write or change that file.
race_runs=${METRICS_RACE_RUNS:-200}
outside="$work/outside"
printf 'root only\n' >"$outside" && chmod 600 "$outside"
before=$(stat -c '%a %s %Y' "$outside")
python3 - "$work/textfile" "$outside" "$work/race-stop" <<'RACE' &
import os, sys
folder, outside, stop = sys.argv[1:]
while not os.path.exists(stop):
    for name in os.listdir(folder):
        if name.startswith("."):
            try:
                os.unlink(os.path.join(folder, name))
                os.symlink(outside, os.path.join(folder, name))
            except OSError:
                pass
RACE
pids+=("$!")
for _ in $(seq "$race_runs"); do
  "$command" --metrics "$prom" "${loads[@]}" >/dev/null 2>&1 || true
done
touch "$work/race-stop"
wait "${pids[-1]}" || true
unset 'pids[-1]'
[ "$(cat "$outside")" = "root only" ] && [ "$(stat -c '%a %s %Y' "$outside")" = "$before" ] ||
  fail "a link at the new file's name let a run write or change $outside"
find "$work/textfile" -name '.*' -type l -delete
echo "$race_runs runs against links swapped in at the new file's name: nothing outside written"
# A link renamed over kestrine.prom in the race is the folder owner's doing; the next run writes
# the file afresh.
rm -f "$prom"
(umask 022 && "$command" --metrics "$prom" "${loads[@]}") >/dev/null 2>&1 || true
[ -f "$prom" ] && [ ! -L "$prom" ] || fail "kestrine.prom was not written again after the race"

echo "-- node_exporter with the textfile collector"
start_server node-exporter exporter_port /metrics \
  prometheus-node-exporter --web.listen-address=127.0.0.1:PORT --collector.disable-defaults \
  --collector.textfile --collector.textfile.directory="$work/textfile"
curl -sf --max-time 5 "http://127.0.0.1:$exporter_port/metrics" >"$work/metrics.txt" ||
  fail "fetching /metrics"
metrics="$work/metrics.txt"
device='device="\\\\.\\PHYSICALDRIVE'
expect_line "$metrics" "kestrine_drive_condition{${device}0\"} 0"
expect_line "$metrics" "kestrine_drive_condition{${device}1\"} 2"
expect_line "$metrics" "kestrine_drive_condition{${device}2\"} 1"
expect_line "$metrics" "kestrine_drive_info{${device}0\",family=\"ata\",firmware=\"05.02A05\",model=\"KESTREL HD2000S\",serial=\"KD2S41A07731\"} 1"
expect_line "$metrics" "kestrine_drive_temperature_celsius{${device}0\"} 35"
expect_line "$metrics" "kestrine_attribute_raw_value{${device}2\",id=\"197\",name=\"Current Pending Sector Count\"} 8"
expect_line "$metrics" "kestrine_attribute_raw_value{${device}0\",id=\"194\",name=\"HDD Temperature\"} 1.88979806243e+11"
expect_line "$metrics" "kestrine_self_test_last_result{${device}1\"} 7"
expect_line "$metrics" "kestrine_drive_condition{${device}3\"} 2"
expect_line "$metrics" "kestrine_drive_info{${device}3\",family=\"nvme\",firmware=\"1.2.0\",model=\"KESTREL NV256 M.2\",serial=\"KN25619A00982\"} 1"
expect_line "$metrics" "kestrine_attribute_raw_value{${device}3\",id=\"14\",name=\"Media and Data Integrity Errors\"} 12"
expect_line "$metrics" "node_textfile_scrape_error 0"
echo "/metrics: $(grep -c '^kestrine_' "$metrics") Kestrine samples"

echo "-- Prometheus scraping node_exporter"
cat >"$work/prometheus.yml" <<CONFIG
global:
  scrape_interval: 1s
  evaluation_interval: 1s
rule_files:
  - $rules/kestrine.rules.yml
scrape_configs:
  - job_name: node
    static_configs:
      - targets: ["127.0.0.1:$exporter_port"]
CONFIG
start_server prometheus prometheus_port /-/ready \
  prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/prometheus-data" \
  --web.listen-address=127.0.0.1:PORT
api="http://127.0.0.1:$prometheus_port/api/v1"
answer=""
for _ in $(seq 40); do
  answer=$(curl -sf --max-time 2 -G "$api/query" \
    --data-urlencode "query=kestrine_drive_condition{${device}1\"}" || true)
  grep -q '"value":\[[0-9.]*,"2"\]' <<<"$answer" && break
  sleep 0.5
done
grep -q '"value":\[[0-9.]*,"2"\]' <<<"$answer" ||
  fail "Prometheus did not answer drive 1's condition: $answer"
echo "Prometheus: kestrine_drive_condition of PHYSICALDRIVE1 is 2"
for _ in $(seq 20); do
  answer=$(curl -sf --max-time 2 "$api/alerts" || true)
  grep -q '"alertname":"KestrineDriveCritical"' <<<"$answer" && break
  sleep 0.5
done
grep -q '"alertname":"KestrineDriveCritical"' <<<"$answer" ||
  fail "Prometheus raised no KestrineDriveCritical: $answer"
echo "Prometheus: KestrineDriveCritical raised"

stop_all
echo "Metrics end to end: passed."
