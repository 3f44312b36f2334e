#!/bin/sh
# The guest's second part, under systemd as PID 1: the metrics service runs as its unit file
# says (the whole sandbox: read-only system, StateDirectory, no network, the system log's socket
# only), twice, with the NVMe controller's critical warning raised by the host in between. What
# the history kept and what reached the journal go to the results disk.
export PATH=/bin:/usr/bin:/usr/sbin
cli=/opt/kestrine/kestrine-cli
unit=kestrine-metrics.service
mkdir -p /var/lib/prometheus/node-exporter
name=$(awk 'NR == 1 {print $1}' /nvme-drives)
# The controller added back after the unplug has no warning.
for round in 1 2; do
  if [ "$round" = 2 ]; then
    echo "kestrine-guest: warn again" >/dev/console
    for _ in $(seq 1 120); do
      nvme smart-log "/dev/$name" -o json 2>/dev/null | grep -q '"critical_warning" *: *[1-9]' &&
        break
      sleep 0.5
    done
  fi
  systemctl start "$unit"
  echo $? >"/r/unit-$round.rc"
  systemctl show "$unit" -p Result -p ExecMainStatus >"/r/unit-$round.txt"
  cp /var/lib/prometheus/node-exporter/kestrine.prom "/r/unit-$round.prom" 2>/dev/null
done
ls -ld /var/lib/kestrine /var/lib/kestrine/* >/r/unit-state.txt 2>&1
$cli --history --history-file /var/lib/kestrine/history.db >/r/unit-history.out 2>/r/unit-history.err
echo $? >/r/unit-history.rc
journalctl -b -u "$unit" -o short-unix --no-pager >/r/unit-journal.txt 2>&1
echo done >/r/systemd-finished
tar -cf /dev/vda -C /r .
sync
echo "kestrine-guest: systemd part done" >/dev/console
poweroff -f
