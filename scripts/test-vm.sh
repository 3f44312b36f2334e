#!/usr/bin/env bash
# Runs Kestrine against emulated disks on a real Linux kernel under QEMU: a SATA disk and a
# SSD above 2 TiB on AHCI, a PATA disk on the PIIX IDE controller, a USB disk, a virtio-scsi
# disk and an NVMe controller with one namespace. The guest is Debian's kernel with a busybox
# init; it reads every disk with kestrine-cli, the window (offscreen) and smartctl (nvme-cli for
# the NVMe namespace), starts self-tests, tries users with fewer rights, times kestrine-cli
# against smartctl, and hands its results back on a virtio-blk disk, with what busybox's syslogd
# received. Between two reads of the NVMe namespace the host raises a critical warning on its
# controller through QEMU's monitor (qom-set); last, the host removes the USB disk and the NVMe
# controller while kestrine-cli reads them, and adds them back (scripts/vm/hotplug.py). Then the
# guest's init hands over to systemd, which runs the metrics unit as packaged, its sandbox and
# all, twice, the host raising the NVMe warning in between (scripts/vm/guest-systemd.sh). The host
# then checks the results (scripts/vm/check-results.py).
#   test-vm.sh            build what is missing, boot the guest, check
#   VM_TIME_LIMIT=S       kill the guest after S seconds (default 360)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/out/vm"
build="$root/out/normal"
time_limit=${VM_TIME_LIMIT:-360}
"$root/scripts/install-deps.sh" vm
export PATH="$PATH:/usr/sbin:/sbin"

fail() { echo "test-vm.sh: $*" >&2; exit 1; }

# Our programs, from the suite's build.
if [ ! -x "$build/kestrine-cli" ] || [ ! -x "$build/kestrine-smoke-test" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
fi
cmake --build "$build" --target kestrine-cli kestrine-smoke-test

# The kernel that linux-image-amd64 depends on, unpacked once and kept under out/.
package=$(apt-cache depends linux-image-amd64 2>/dev/null |
  awk '$1 == "Depends:" && $2 ~ /^linux-image-/ {print $2; exit}')
if [ -z "$package" ]; then
  apt-get update -q
  package=$(apt-cache depends linux-image-amd64 |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-/ {print $2; exit}')
fi
[ -n "$package" ] || fail "no kernel package behind linux-image-amd64"
kernel_dir="$out/kernel/$package"
if [ ! -f "$kernel_dir/ready" ]; then
  rm -rf "$kernel_dir" && mkdir -p "$kernel_dir"
  (cd "$kernel_dir" && apt-get download "$package" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  deb=$(ls "$kernel_dir"/*.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || fail "apt-get download $package fetched nothing"
  dpkg -x "$deb" "$kernel_dir/root"
  rm -f "$deb"
  touch "$kernel_dir/ready"
fi
version=$(ls "$kernel_dir/root/lib/modules" | head -n 1)
modules="$kernel_dir/root/lib/modules/$version"
[ -f "$modules/modules.dep" ] || depmod -b "$kernel_dir/root" "$version"

# The disks. Model, serial and firmware are set here and checked against what the guest read.
images="$out/disks"
rm -rf "$images" && mkdir -p "$images"
truncate -s 64M "$images/sata.img" "$images/pata.img" "$images/usb.img" "$images/scsi.img" \
  "$images/nvme.img"
truncate -s 3T "$images/ssd.img"  # sparse: takes no room
truncate -s 32M "$images/results.img"
cat >"$out/disks.txt" <<'DISKS'
sata KESTRINE SATA KS-SATA-0001 KF1.0 67108864
ssd KESTRINE SSD KS-SSD-0002 KF2.0 3298534883328
pata KESTRINE PATA KS-PATA-0003 KF3.0 67108864
usb KSTRN USB DISK KS-USB-0004 K4 67108864
scsi KSTRN VSCSI DISK KS-SCSI-0005 K5 67108864
DISKS
# The NVMe namespace: its device, the drive number the Linux port gives it, its serial, its size.
# QEMU sets the controller's model and firmware itself; nvme-cli's reading is the reference.
echo "nvme0n1 192 KS-NVME-0006 67108864" >"$out/nvme.txt"
drive() { echo "if=none,id=$1,file=$images/$1.img,format=raw,cache=unsafe"; }
# The drives removed and added back at run time: block nodes of their own, which stay when their
# device goes (a -drive would go with it).
node() { echo "driver=raw,node-name=$1,file.driver=file,file.filename=$images/$1.img"; }
disks=(
  -device ich9-ahci,id=ahci
  -drive "$(drive sata)" -device "ide-hd,drive=sata,bus=ahci.0,model=KESTRINE SATA,serial=KS-SATA-0001,ver=KF1.0"
  -drive "$(drive ssd)" -device "ide-hd,drive=ssd,bus=ahci.1,model=KESTRINE SSD,serial=KS-SSD-0002,ver=KF2.0,rotation_rate=1"
  -drive "$(drive pata)" -device "ide-hd,drive=pata,bus=ide.0,model=KESTRINE PATA,serial=KS-PATA-0003,ver=KF3.0"
  -device qemu-xhci,id=xhci -device usb-bot,bus=xhci.0,id=bot
  -blockdev "$(node usb)" -device "scsi-hd,id=usbdisk,bus=bot.0,drive=usb,vendor=KSTRN,product=USB DISK,serial=KS-USB-0004,ver=K4"
  -device virtio-scsi-pci,id=vscsi
  -drive "$(drive scsi)" -device "scsi-hd,bus=vscsi.0,drive=scsi,vendor=KSTRN,product=VSCSI DISK,serial=KS-SCSI-0005,ver=K5"
  -blockdev "$(node nvme)" -device nvme,id=nvme0,drive=nvme,serial=KS-NVME-0006
  -drive "$(drive results)" -device virtio-blk-pci,drive=results
)

# The guest's root: busybox, the modules, our programs and smartctl with their libraries.
guest="$out/guest"
rm -rf "$guest" && mkdir -p "$guest"/{bin,etc,proc,sys,dev,tmp,root,opt/kestrine}
cp /bin/busybox "$guest/bin/busybox"
cp "$root/scripts/vm/guest-init.sh" "$guest/init" && chmod 755 "$guest/init"
wanted=(libata ahci ata_piix sd_mod sg usb-storage xhci-pci virtio_pci virtio_scsi virtio_blk nvme)
python3 "$root/scripts/vm/module-order.py" "$modules/modules.dep" "${wanted[@]}" >"$guest/modules.order"
while read -r module; do
  mkdir -p "$guest/lib/modules/$(dirname "$module")"
  cp "$modules/$module" "$guest/lib/modules/$module"
done <"$guest/modules.order"
echo 5 >"$guest/expected-disks"
cp "$out/nvme.txt" "$guest/nvme-drives"
printf '%s\n' "KESTRINE SATA" "KESTRINE PATA" >"$guest/self-test-models"
printf 'root:x:0:0::/root:/bin/sh\nkuser:x:1000:1000::/tmp:/bin/sh\n' >"$guest/etc/passwd"
printf 'root:x:0:\ndisk:x:6:kuser\nkuser:x:1000:\n' >"$guest/etc/group"

copy_with_libraries() {  # copies each file and the shared libraries it loads, at their own paths
  local file library
  for file in "$@"; do
    mkdir -p "$guest$(dirname "$file")" && cp -L "$file" "$guest$file"
    for library in $(ldd "$file" 2>/dev/null | awk '/=> \// {print $3} /^\t\/.*ld-linux/ {print $1}'); do
      [ -e "$guest$library" ] && continue
      mkdir -p "$guest$(dirname "$library")" && cp -L "$library" "$guest$library"
    done
  done
}
# The window's test build, which has the smoke test the installed kestrine leaves out.
cp "$build/kestrine-cli" "$build/kestrine-smoke-test" "$root/res/style.css" "$guest/opt/kestrine/"
strip -g "$guest/opt/kestrine/kestrine-cli" "$guest/opt/kestrine/kestrine-smoke-test"
qt_plugins=$(dirname "$(dirname "$(find /usr/lib -path '*qt6/plugins/platforms/libqoffscreen.so' | head -n 1)")")
copy_with_libraries "$guest/opt/kestrine/kestrine-cli" "$guest/opt/kestrine/kestrine-smoke-test" \
  "$(command -v smartctl)" "$(command -v nvme)" "$(command -v setpriv)" "$qt_plugins/platforms/libqoffscreen.so"
# systemd for the guest's second part: the metrics unit as packaged, with journald, the targets
# its default dependencies name, and the guest's own target and service (scripts/vm/systemd).
if [ -x /lib/systemd/systemd ]; then
  copy_with_libraries /lib/systemd/systemd /lib/systemd/systemd-journald "$(command -v systemctl)" \
    "$(command -v journalctl)" "$(command -v nvme)"
  units="$guest/etc/systemd/system"
  mkdir -p "$units" "$guest/var/tmp" "$guest/home" "$guest/run"
  for unit in systemd-journald.service systemd-journald.socket systemd-journald-dev-log.socket \
    sysinit.target basic.target sockets.target paths.target timers.target slices.target \
    local-fs.target swap.target shutdown.target; do
    cp "/lib/systemd/system/$unit" "$units/"
  done
  cp "$root/scripts/vm/systemd/"* "$units/"
  sed 's|@KESTRINE_CLI@|/opt/kestrine/kestrine-cli|' \
    "$root/packaging/systemd/kestrine-metrics.service.in" >"$units/kestrine-metrics.service"
  cp "$root/scripts/vm/guest-systemd.sh" "$guest/guest-systemd.sh"
  printf 'ID=debian\nNAME="Kestrine guest"\n' >"$guest/etc/os-release"
fi
# A font for the offscreen window, and fontconfig's settings.
[ -d /etc/fonts ] && cp -r /etc/fonts "$guest/etc/"
font=$(find /usr/share/fonts -name 'DejaVuSans.ttf' 2>/dev/null | head -n 1)
[ -n "$font" ] && mkdir -p "$guest$(dirname "$font")" && cp "$font" "$guest$font"
(cd "$guest" && find . | cpio -o -H newc --quiet | gzip -1) >"$out/initramfs.gz"

# KVM only with hardware virtualization behind it; a nested software module boots too slowly.
accel=tcg
if { [ -d /sys/module/kvm_intel ] || [ -d /sys/module/kvm_amd ]; } && [ -w /dev/kvm ]; then
  accel=kvm
fi
echo "Booting $package under QEMU ($accel), at most ${time_limit} s"
rm -rf "$out/results" "$out/console.log" "$out/qmp.sock" && mkdir -p "$out/results"
python3 "$root/scripts/vm/hotplug.py" "$out/qmp.sock" "$out/console.log" "$out/hotplug.log" &
hotplug=$!
started=$(date +%s)
status=0
timeout --kill-after=10 "$time_limit" qemu-system-x86_64 -machine pc,accel="$accel" -m 768 -smp 1 \
  -nodefaults -display none -no-reboot -serial "file:$out/console.log" \
  -qmp "unix:$out/qmp.sock,server=on,wait=off" \
  -kernel "$kernel_dir/root/boot/vmlinuz-$version" -initrd "$out/initramfs.gz" \
  -append "console=ttyS0 panic=-1 no_timer_check quiet" "${disks[@]}" || status=$?
echo "The guest ran $(($(date +%s) - started)) s"
kill "$hotplug" 2>/dev/null || true
wait "$hotplug" 2>/dev/null || true
[ "$status" -eq 0 ] || fail "QEMU ended with status $status (124: the time limit); see $out/console.log"
tar -xf "$images/results.img" -C "$out/results" || fail "the results disk holds no archive"
cp "$out/hotplug.log" "$out/results/hotplug.log" 2>/dev/null || true
python3 "$root/scripts/vm/check-results.py" "$out/results" "$out/disks.txt" "$out/nvme.txt"
