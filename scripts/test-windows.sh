#!/usr/bin/env bash
# Cross-builds Kestrine for 32-bit Windows into out/windows and checks it under Wine and Xvfb:
# the test suite (each test program once, through ctest) and a smoke test of the two programs,
# which run their first refresh, read back what their window shows, and end (--smoke-test).
# Installs nothing: run `bash scripts/install-deps.sh windows` first.
#
#   test-windows.sh                     build, test, smoke-test
#   test-windows.sh --screenshot FILE   also photograph kestrine-demo.exe's window (ImageMagick
#                                       and xdotool)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/out/windows"
screenshot=""

if [ "${1:-}" = "--screenshot" ]; then
  screenshot=$(realpath -m "${2:?--screenshot needs a file name}")
  shift 2
fi

# The Wine part: everything below runs inside one Xvfb server and one Wine prefix of our own.
if [ "${1:-}" = "--under-xvfb" ]; then
  export WINEPREFIX="$out/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  failures=0
  fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
  }
  # Checks that `file` holds the line `line` exactly.
  expect_line() {
    grep -qFx -- "$2" "$1" || fail "$(basename "$1") has no line '$2'"
  }
  # Checks that the number after `key=` in `file` is above zero.
  expect_rows() {
    local rows
    rows=$(sed -n "s/^$2=//p" "$1")
    [ "${rows:-0}" -gt 0 ] || fail "$(basename "$1"): $2 is '${rows}', expected rows"
  }
  milliseconds() { echo $(($(date +%s%N) / 1000000)); }

  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== A Wine prefix for the tests"
    wine wineboot --init
    # A virtual desktop: Wine draws the window frames and a task bar with a notification area,
    # where the programs' tray icons live.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
  fi
  # The suite runs at 96 dots per inch, whatever an interrupted run left (see below).
  set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
  }
  set_dpi 96
  echo "== The test suite under Wine"
  ctest --test-dir "$out" --output-on-failure --timeout 300 -j "$(nproc)" || fail "the test suite"

  echo "== kestrine-demo.exe"
  demo="$out/smoke-demo.txt"
  rm -f "$demo"
  started=$(milliseconds)
  wine "$out/kestrine-demo.exe" --smoke-test "$demo" || fail "kestrine-demo.exe ended with $?"
  ended=$(milliseconds)
  if [ -f "$demo" ]; then
    cat "$demo"
    expect_line "$demo" 'start.caption=Kestrine 0.7 by kestrine@example.org'
    expect_line "$demo" 'start.selector.count=5'
    for drive in 0 1 2 3 5; do
      expect_line "$demo" "start.selector.entry=\\\\.\\PHYSICALDRIVE$drive"
    done
    expect_line "$demo" 'start.selector.text=\\.\PHYSICALDRIVE0'
    expect_rows "$demo" start.ListView1.rows
    expect_rows "$demo" start.ListView2.rows
    expect_line "$demo" 'start.status=BusType:Sata Method:IOCTL_ATA_PASS_THROUGH'
    expect_line "$demo" 'start.lblstatus=OK'
    expect_line "$demo" 'start.tray=added'
    ! grep -q '^start\.message=' "$demo" || fail "the first refresh of the demo showed a message"
    expect_rows "$demo" refresh.ListView1.rows
    expect_line "$demo" 'choose.selector.text=\\.\PHYSICALDRIVE1'
    expect_rows "$demo" choose.ListView1.rows
    expect_line "$demo" 'choose.lblstatus=CRITICAL'
    expect_line "$demo" "type.message=owner:window caption:Kestrine buttons:OK icon:no text:'1x' is not a valid integer value"
    echo "Start to the first finished refresh: $(sed -n 's/^first_refresh_ms=//p' "$demo") ms in the process; $((ended - started)) ms for the whole run under Wine"
  else
    fail "kestrine-demo.exe wrote no smoke-test report"
  fi

  echo "== kestrine.exe"
  real="$out/smoke-kestrine.txt"
  rm -f "$real"
  wine "$out/kestrine.exe" --smoke-test "$real" || fail "kestrine.exe ended with $?"
  if [ -f "$real" ]; then
    cat "$real"
    expect_line "$real" 'start.caption=Kestrine 0.7 by kestrine@example.org'
    expect_line "$real" 'start.ListView1.rows=0'
    expect_line "$real" 'start.status='
    if grep -qFx 'start.selector.count=0' "$real"; then
      # No drive: the first refresh converts an empty text.
      expect_line "$real" "start.message=owner:window caption:Kestrine buttons:OK icon:no text:'' is not a valid integer value"
    else
      # Wine offers \\.\PHYSICALDRIVE0 for its own placeholder disk, which opens but answers
      # no device-control request.
      expect_line "$real" 'start.message=owner:window caption:Kestrine buttons:OK icon:no text:Not a S.M.A.R.T enabled device'
      expect_line "$real" "type.message=owner:window caption:Kestrine buttons:OK icon:no text:'0x' is not a valid integer value"
    fi
  else
    fail "kestrine.exe wrote no smoke-test report"
  fi

  echo "== kestrine-cli.exe --metrics against the Linux program"
  # The same snapshot files must give the same bytes on both platforms; only the read durations
  # differ from run to run.
  linux_cli="$root/out/normal/kestrine-cli"
  if [ -x "$linux_cli" ]; then
    linux_args=(--metrics)
    wine_args=(--metrics)
    for blob in healthy-disk failing-disk pending-sectors; do
      file="$root/tests/data/metrics/$blob.blob"
      linux_args+=(--load "$file")
      wine_args+=(--load "$(winepath -w "$file")")
    done
    linux_status=0
    wine_status=0
    "$linux_cli" "${linux_args[@]}" >"$out/metrics-linux.prom" || linux_status=$?
    wine "$out/kestrine-cli.exe" "${wine_args[@]}" >"$out/metrics-windows.prom" || wine_status=$?
    [ "$wine_status" -eq "$linux_status" ] ||
      fail "kestrine-cli.exe --metrics ended with $wine_status, the Linux program with $linux_status"
    untimed() { grep -v '^kestrine_drive_read_duration_seconds{' "$1"; }
    if cmp -s <(untimed "$out/metrics-linux.prom") <(untimed "$out/metrics-windows.prom") &&
      [ "$(grep -c '^kestrine_drive_read_duration_seconds{' "$out/metrics-windows.prom")" -eq 3 ] &&
      [ -s "$out/metrics-windows.prom" ]; then
      echo "Identical: $(wc -l <"$out/metrics-windows.prom") lines, durations aside"
    else
      diff <(untimed "$out/metrics-linux.prom") <(untimed "$out/metrics-windows.prom") | head -n 20
      fail "kestrine-cli.exe --metrics differs from the Linux program's output"
    fi
  else
    echo "Skipped: no Linux kestrine-cli in out/normal to compare with"
  fi

  echo "== kestrine-metrics.cmd, the scheduled task's command"
  # Beside kestrine-cli.exe, over the prefix's drives, into a textfile folder of our own.
  cp "$root/packaging/windows/kestrine-metrics.cmd" "$out/"
  textfile="$out/textfile"
  rm -rf "$textfile"
  mkdir -p "$textfile"
  cmd_status=0
  wine cmd /c "$(winepath -w "$out/kestrine-metrics.cmd")" "$(winepath -w "$textfile")" ||
    cmd_status=$?
  [ ! -e "$textfile/kestrine.prom.tmp" ] || fail "kestrine-metrics.cmd left its temporary file"
  if [ -f "$textfile/kestrine.prom" ]; then
    grep -q '^kestrine_drive_read_success{' "$textfile/kestrine.prom" ||
      fail "kestrine-metrics.cmd wrote no metrics into kestrine.prom"
    echo "kestrine.prom: $(grep -c '^kestrine_' "$textfile/kestrine.prom") samples"
  elif [ "$cmd_status" -eq 0 ]; then
    fail "kestrine-metrics.cmd succeeded without writing kestrine.prom"
  else
    echo "No drive in this Wine prefix: kestrine-metrics.cmd wrote nothing and said so"
  fi

  echo "== The window's layout at 144 and 192 dots per inch"
  for dpi in 144 192; do
    set_dpi "$dpi"
    KESTRINE_EXPECT_DPI=$dpi wine "$out/tests/win32_dpi_layout_test.exe" --gtest_brief=1 ||
      fail "the window's layout at $dpi dots per inch"
  done
  set_dpi 96

  if [ -n "$screenshot" ]; then
    echo "== Screenshot of kestrine-demo.exe"
    wine "$out/kestrine-demo.exe" &
    demo_pid=$!
    sleep 5
    # The window opens at 354,165 on the 1024 x 768 desktop: into the selector, one entry down
    # (the failing disk), then the "Attributes" tab.
    xdotool mousemove 500 203 click 1 key Down
    sleep 2
    xdotool mousemove 449 237 click 1
    sleep 1
    import -window root "$screenshot"
    echo "Wrote $screenshot"
    kill "$demo_pid" 2>/dev/null || true
    wait "$demo_pid" 2>/dev/null || true
  fi

  # End the prefix's Wine processes (its desktop and services) while their X server still runs,
  # so that none outlives the script.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
  echo "All Windows checks passed."
  exit 0
fi

for tool in i686-w64-mingw32-g++-posix i686-w64-mingw32-windres wine xvfb-run cmake ninja; do
  command -v "$tool" >/dev/null || {
    echo "test-windows.sh: $tool is missing; run: bash scripts/install-deps.sh windows" >&2
    exit 2
  }
done
if [ -n "$screenshot" ]; then
  for tool in import xdotool; do
    command -v "$tool" >/dev/null || {
      echo "test-windows.sh: --screenshot needs $tool (imagemagick, xdotool)" >&2
      exit 2
    }
  done
fi
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

echo "== Cross-build for 32-bit Windows"
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DKESTRINE_BENCH=OFF "${launcher[@]}"
cmake --build "$out" -j "$(nproc)"
for program in kestrine kestrine-demo kestrine-cli; do
  if [ -f "$out/$program.exe" ]; then
    echo "$program.exe: $(stat -c %s "$out/$program.exe") bytes"
  fi
done
# The manifest each window program carries: administrator rights, common controls 6.
for program in kestrine kestrine-demo; do
  if ! grep -qa 'level="requireAdministrator"' "$out/$program.exe" ||
    ! grep -qa 'Microsoft.Windows.Common-Controls' "$out/$program.exe"; then
    echo "FAILED: $program.exe carries no manifest" >&2
    exit 1
  fi
done
# kestrine-cli.exe runs as the invoker: a 32-bit program without that gets file virtualization.
if [ -f "$out/kestrine-cli.exe" ] && ! grep -qa 'level="asInvoker"' "$out/kestrine-cli.exe"; then
  echo "FAILED: kestrine-cli.exe carries no manifest" >&2
  exit 1
fi

screenshot_args=()
[ -n "$screenshot" ] && screenshot_args=(--screenshot "$screenshot")
xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "${screenshot_args[@]}" --under-xvfb
