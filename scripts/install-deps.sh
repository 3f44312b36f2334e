#!/usr/bin/env bash
# Installs what Kestrine's build needs on Debian 12, only what is missing.
#   install-deps.sh          the build and the window programs
#   install-deps.sh test     also the fuzzing toolchain (clang, libFuzzer)
#   install-deps.sh windows  also the MinGW-w64 cross compiler, Wine, and NSIS for the installer
#   install-deps.sh metrics  also Prometheus, node_exporter and curl (scripts/test-metrics.sh)
#   install-deps.sh vm       also QEMU, busybox, smartmontools, nvme-cli and systemd for the guest
#                            (test-vm.sh)
#   install-deps.sh package  also what builds and checks the Debian package (lintian, validators)
#   install-deps.sh desktop  also a desktop under Xvfb for the Qt window's notifications: openbox,
#                            tint2, a D-Bus session, notification-daemon (test-desktop.sh)
set -euo pipefail

packages=(cmake ninja-build g++ ccache pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev libgl-dev nlohmann-json3-dev libcli11-dev libsqlite3-dev
          libtomlplusplus-dev)
for extra in "$@"; do
  case "$extra" in
    test) packages+=(clang libclang-rt-14-dev libatasmart-bin) ;;
    windows) packages+=(g++-mingw-w64-i686 wine wine32:i386 xvfb xauth nsis unzip libxml2-utils) ;;
    metrics) packages+=(prometheus prometheus-node-exporter curl) ;;
    vm) packages+=(qemu-system-x86 busybox-static smartmontools nvme-cli kmod cpio python3 systemd) ;;
    package) packages+=(dpkg-dev lintian desktop-file-utils appstream libxml2-utils python3) ;;
    desktop) packages+=(xvfb xauth openbox tint2 dbus-daemon dbus-bin notification-daemon xdotool
                        python3 python3-dbus python3-gi) ;;
    *) echo "install-deps.sh: unknown set '$extra'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  # Installed means "install ok installed": a removed package may still leave its files' record.
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
  $sudo dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
