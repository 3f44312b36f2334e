#!/bin/busybox sh
# The guest's init: loads the disk drivers, runs Kestrine and smartctl against every SCSI disk
# (nvme-cli against every NVMe namespace) as root and as users with fewer rights, and writes what
# they said to the results disk
# (/dev/vda, a tar archive) before the guest powers off. The host checks the results.
/bin/busybox --install -s /bin
export PATH=/bin:/usr/bin:/usr/sbin HOME=/root XDG_RUNTIME_DIR=/tmp/run
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp/run /r && chmod 700 /tmp/run && chmod 1777 /tmp
exec >/dev/console 2>&1
# The system log: busybox's syslogd takes what syslog(3) sends to /dev/log, with each line's
# facility and priority, into the results.
syslogd -O /r/syslog.txt


while read -r module; do insmod "/lib/modules/$module" || echo "insmod $module failed"; done </modules.order

# Every disk the host attached (the count is in /expected-disks; the NVMe namespaces, one a line,
# in /nvme-drives: device, drive number, serial, size), and the results disk.
want=$(cat /expected-disks)
want_nvme=$(wc -l </nvme-drives)
for _ in $(seq 1 120); do
  [ -b /dev/vda ] && [ "$(ls -d /sys/block/sd* 2>/dev/null | wc -l)" -ge "$want" ] &&
    [ "$(ls -d /sys/block/nvme* 2>/dev/null | wc -l)" -ge "$want_nvme" ] && break
  sleep 0.5
done
sleep 1
ls -l /dev/sd* /dev/vda /dev/sg* /dev/nvme* >/r/devices.txt

# No udev here: the disk nodes belong to root alone until given to the disk group.
for node in /dev/sd* /dev/sg* /dev/nvme*n*; do chgrp disk "$node" && chmod 660 "$node"; done

# Kernel name, controller path and SCSI texts of each disk; drive number N is sd's N-th name.
number=0
for block in $(ls -d /sys/block/sd* | sort -V); do
  name=${block##*/}
  model=$(sed 's/ *$//' "$block/device/model")
  echo "$number $name $(readlink -f "$block/device") $(cat "$block/size") $model" >>/r/disks.txt
  grep -qxF "$model" /self-test-models && echo "$number" >>/tmp/run/self-test-drives
  number=$((number + 1))
done

echo "kestrine-guest: disks found"
dmesg >/r/dmesg-boot.txt
run() {  # run NAME COMMAND...: stdout, stderr and exit status into /r/NAME.{out,err,rc}
  local step=$1
  shift
  echo "kestrine-guest: $step"
  "$@" >"/r/$step.out" 2>"/r/$step.err"
  echo $? >"/r/$step.rc"
}
# util-linux's setpriv (busybox has a smaller one): uid 1000 without rights, in the disk group,
# and in the disk group with CAP_SYS_RAWIO.
as_nobody() { /usr/bin/setpriv --reuid=1000 --regid=1000 --clear-groups "$@"; }
as_disk() { /usr/bin/setpriv --reuid=1000 --regid=1000 --groups=6 "$@"; }
as_rawio() {
  /usr/bin/setpriv --reuid=1000 --regid=1000 --groups=6 --inh-caps=+sys_rawio \
    --ambient-caps=+sys_rawio "$@"
}

cli=/opt/kestrine/kestrine-cli
while read -r number name path size model; do
  run "cli-$number" $cli --drive "$number" --json
  run "smartctl-$number" smartctl -i -A -c -l selftest --json "/dev/$name"
done </r/disks.txt
run cli-all $cli --json

# The timer's path (--no-wake) on drive 0, as the kernel's ATA layer traces what it sends: CHECK
# POWER MODE first, then, since QEMU's disks are always active or idle (FFh), the reads.
tracing=/sys/kernel/tracing
mount -t tracefs tracefs $tracing 2>/dev/null
if [ -w $tracing/events/libata/ata_qc_issue/enable ]; then
  echo >$tracing/trace
  echo 1 >$tracing/events/libata/ata_qc_issue/enable
  run no-wake-0 $cli --drive 0 --no-wake --json
  echo 0 >$tracing/events/libata/ata_qc_issue/enable
  grep ata_qc_issue $tracing/trace >/r/no-wake-0.trace
fi

# The NVMe namespaces: nvme-cli's reading of the controller, the namespace and its health log,
# then ours; a short self-test through us (nvme-cli's id-ctrl tells whether the controller has
# the command at all), and the same namespace for a user in the disk group.
while read -r name number serial bytes; do
  controller=${name%n*}
  run "nvme-id-ctrl-$number" nvme id-ctrl "/dev/$controller" -o json
  run "nvme-id-ns-$number" nvme id-ns "/dev/$name" -o json
  run "nvme-smart-log-$number" nvme smart-log "/dev/$name" -o json
  run "cli-$number" $cli --drive "$number" --json
  run "nvme-self-test-log-$number" nvme self-test-log "/dev/$name" -o json
  run "start-$number-short" $cli --drive "$number" --self-test short
  sleep 1
  run "nvme-self-test-log-$number-after" nvme self-test-log "/dev/$name" -o json
  run "cli-$number-after" $cli --drive "$number" --json
  run "disk-$number" as_disk $cli --drive "$number" --json
done </nvme-drives

# A critical warning raised while the machine runs: between two reads of the first NVMe
# namespace the host sets a bit of its controller's warning through QEMU's monitor. Each read is
# made twice, in text and in JSON, each form with a history of its own, so that the second read
# of each finds the first. nvme-cli, which sees the bit first, and smartctl read the warning too.
warned_name=$(awk 'NR == 1 {print $1}' /nvme-drives)
warned_number=$(awk 'NR == 1 {print $2}' /nvme-drives)
read_warned() {  # read_warned STEP
  run "$1" $cli --drive "$warned_number" --history-file /tmp/run/history-text.db
  run "$1-json" $cli --drive "$warned_number" --json --history-file /tmp/run/history-json.db
}
read_warned warn-before
echo "kestrine-guest: critical warning"
for _ in $(seq 1 120); do
  nvme smart-log "/dev/$warned_name" -o json 2>/dev/null | grep -q '"critical_warning" *: *[1-9]' &&
    break
  sleep 0.5
done
run nvme-smart-log-warned nvme smart-log "/dev/$warned_name" -o json
run smartctl-warned smartctl -H -A --json "/dev/$warned_name"
read_warned warn-after

run cli-missing $cli --drive 9
# The metrics service's command as its unit runs it: root with no capability but the two the unit
# keeps, no new privileges, umask 022. (The guest has no systemd for the rest of the unit.)
run metrics-unit /usr/bin/setpriv --bounding-set=-all,+sys_rawio,+sys_admin --inh-caps=-all \
  --no-new-privs sh -c "umask 022; exec $cli --metrics /r/kestrine.prom"
run window env QT_QPA_PLATFORM=offscreen /opt/kestrine/kestrine-smoke-test --smoke-test /r/window.txt
run window-nobody as_nobody env QT_QPA_PLATFORM=offscreen /opt/kestrine/kestrine-smoke-test \
  --smoke-test /tmp/window-nobody.txt
cp /tmp/window-nobody.txt /r/ 2>/dev/null

# Self-tests on the ATA disks: the log before and after each start, by smartctl and by us.
for number in $(cat /tmp/run/self-test-drives 2>/dev/null); do
  name=$(awk -v n="$number" '$1 == n {print $2}' /r/disks.txt)
  for kind in short extended; do
    run "log-$number-$kind-before" smartctl -l selftest --json "/dev/$name"
    run "start-$number-$kind" $cli --drive "$number" --self-test "$kind"
    sleep 1
    run "log-$number-$kind-after" smartctl -l selftest --json "/dev/$name"
  done
  run "cli-$number-after" $cli --drive "$number" --json
  run "save-$number" $cli --drive "$number" --save "/r/drive-$number.blob" \
    --html attributes "/r/drive-$number.html"
  # The same disk as users with fewer rights.
  run "nobody-$number" as_nobody $cli --drive "$number" --json
  run "disk-$number" as_disk $cli --drive "$number" --json
  run "rawio-$number" as_rawio $cli --drive "$number" --json
  run "log-$number-disk-before" smartctl -l selftest --json "/dev/$name"
  run "start-$number-disk" as_disk $cli --drive "$number" --self-test short
  sleep 1
  run "log-$number-disk-after" smartctl -l selftest --json "/dev/$name"
  run "log-$number-rawio-before" smartctl -l selftest --json "/dev/$name"
  run "start-$number-rawio" as_rawio $cli --drive "$number" --self-test short
  sleep 1
  run "log-$number-rawio-after" smartctl -l selftest --json "/dev/$name"
done

# Speed: the same disk read by both programs, alternated; /proc/uptime counts hundredths.
uptime_ms() { awk '{printf "%d", $1 * 1000}' /proc/uptime; }
for i in $(seq 1 20); do
  for tool in kestrine smartctl; do
    start=$(uptime_ms)
    if [ $tool = kestrine ]; then
      $cli --drive 0 --json >/dev/null 2>&1
    else
      smartctl -a /dev/sda >/dev/null 2>&1
    fi
    end=$(uptime_ms)
    echo "$tool $((end - start))" >>/r/timings.txt
  done
done

dmesg >/r/dmesg.txt

# Drives that go away during a read: kestrine-cli reads the USB disk and the NVMe namespace over
# and over while the host removes both (QMP device_del of the USB device and of the NVMe
# controller), then adds them back; each read's exit status, start and end go to gone-N-I.rc.
usb=$(awk '$5 " " $6 == "USB DISK" {print $1 " " $2; exit}' /r/disks.txt)
usb_number=${usb% *}
usb_name=${usb#* }
nvme=$(awk 'NR == 1 {print $2 " " $1}' /nvme-drives)
nvme_number=${nvme% *}
nvme_name=${nvme#* }
reader() {  # reader N: reads drive N until /tmp/run/stop-reading appears
  local i=0 start
  while [ ! -e /tmp/run/stop-reading ]; do
    start=$(uptime_ms)
    timeout -s KILL 120 $cli --drive "$1" --json >"/r/gone-$1-$i.out" 2>"/r/gone-$1-$i.err"
    echo "$? $start $(uptime_ms)" >"/r/gone-$1-$i.rc"
    i=$((i + 1))
  done
}
reader "$usb_number" &
usb_reader=$!
reader "$nvme_number" &
nvme_reader=$!
sleep 2
echo "kestrine-guest: unplug"
for _ in $(seq 1 60); do
  [ ! -e "/sys/block/$usb_name" ] && [ ! -e "/sys/block/$nvme_name" ] && break
  sleep 0.5
done
ls /sys/block >/r/gone-blocks.txt
sleep 2
touch /tmp/run/stop-reading
wait "$usb_reader" "$nvme_reader"
echo "kestrine-guest: replug"
for _ in $(seq 1 60); do
  [ -e "/sys/block/$nvme_name" ] && grep -qx "USB DISK *" /sys/block/sd*/device/model 2>/dev/null &&
    break
  sleep 0.5
done
sleep 1
run back $cli --json
# The USB disk by its new name: drive number N is the N-th sd name (sda 0, sdz 25, sdaa 26).
usb_name=$(grep -lx "USB DISK *" /sys/block/sd*/device/model | head -n 1 | cut -d/ -f4)
usb_number=$(echo "${usb_name#sd}" | awk '{n = 0; for (i = 1; i <= length($0); i++)
  n = n * 26 + index("abcdefghijklmnopqrstuvwxyz", substr($0, i, 1)); print n - 1}')
run back-usb $cli --drive "$usb_number" --json
dmesg >/r/dmesg-gone.txt

echo done >/r/finished
tar -cf /dev/vda -C /r .
sync
# The second part runs under systemd (guest-systemd.sh); the results so far are on the disk
# already, should it not get there.
if [ -x /lib/systemd/systemd ]; then
  killall syslogd
  rm -f /dev/log
  exec /lib/systemd/systemd --unit=kestrine-guest.target
fi
poweroff -f
