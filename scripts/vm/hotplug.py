#!/usr/bin/env python3
"""Changes the guest's drives at run time when the guest asks for it, through QEMU's monitor.

Usage: hotplug.py QMP_SOCKET CONSOLE_LOG LOG
Runs beside QEMU in test-vm.sh. When the guest's console says "kestrine-guest: critical
warning", bit 2 (reliability degraded) of the NVMe controller's critical warning is set with
qom-set on its smart_critical_warning property. When the guest's console says "kestrine-guest:
unplug", the USB device (id bot, with its SCSI disk) and the NVMe controller (id nvme0, with
its namespace) are removed with QMP device_del, and their removal awaited (DEVICE_DELETED); on
"kestrine-guest: replug" both are added back as they were attached at boot; on "kestrine-guest:
warn again" (under systemd, between two runs of the metrics unit) the warning is raised again.
What was sent and answered goes to LOG, and "replugged" once all is back; a command QEMU refuses
ends it with status 1.
"""
import json
import socket
import sys
import time

qmp_path, console_path, log_path = sys.argv[1:4]
log = open(log_path, "w")
TIME_LIMIT = 60  # seconds to wait for one step

# The NVMe controller's QOM object (its device id under /machine/peripheral) and the warning
# raised. QEMU takes bits 0 to 4 (and 5 with a persistent memory region) and raises an
# asynchronous event for each new one.
NVME_OBJECT = "/machine/peripheral/nvme0"
CRITICAL_WARNING = 0x04

# The two drives as test-vm.sh attaches them; their block nodes stay when the devices go.
UNPLUG = ["bot", "nvme0"]
REPLUG = [
    ("device_add", {"driver": "usb-bot", "id": "bot", "bus": "xhci.0"}),
    ("device_add", {"driver": "scsi-hd", "id": "usbdisk", "bus": "bot.0", "drive": "usb",
                    "vendor": "KSTRN", "product": "USB DISK", "serial": "KS-USB-0004", "ver": "K4"}),
    # A USB device added at run time is attached once its disk is there.
    ("qom-set", {"path": "/machine/peripheral/bot", "property": "attached", "value": True}),
    ("device_add", {"driver": "nvme", "id": "nvme0", "drive": "nvme", "serial": "KS-NVME-0006"}),
]


def say(text):
    log.write(text + "\n")
    log.flush()


class Qmp:
    def __init__(self, path):
        deadline = time.monotonic() + TIME_LIMIT
        while True:
            try:
                self.sock = socket.socket(socket.AF_UNIX)
                self.sock.connect(path)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.2)
        self.file = self.sock.makefile("rw")
        self.events = []
        self.read()  # the greeting
        self.command("qmp_capabilities", {})

    def read(self):
        line = self.file.readline()
        if not line:
            raise EOFError("QEMU closed the monitor")
        return json.loads(line)

    def command(self, name, arguments):
        self.file.write(json.dumps({"execute": name, "arguments": arguments}) + "\n")
        self.file.flush()
        while True:
            message = self.read()
            if "event" in message:
                self.events.append(message)
                continue
            say(f"{name} {json.dumps(arguments)} -> {json.dumps(message)}")
            if "error" in message:
                raise RuntimeError(f"{name}: {message['error']}")
            return message

    def await_deleted(self, ids):
        missing = set(ids)
        self.sock.settimeout(TIME_LIMIT)
        while missing:
            for event in self.events:
                if event["event"] == "DEVICE_DELETED":
                    missing.discard(event.get("data", {}).get("device"))
            self.events.clear()
            if missing:
                self.events.append(self.read())
        self.sock.settimeout(None)
        say(f"deleted: {' '.join(ids)}")


def await_console(marker):
    """Waits until the guest's console holds `marker` (test-vm.sh ends this program when QEMU
    ends first)."""
    while True:
        try:
            with open(console_path, encoding="latin-1") as f:
                if marker in f.read():
                    return
        except FileNotFoundError:
            pass
        time.sleep(0.2)


try:
    qmp = Qmp(qmp_path)
    await_console("kestrine-guest: critical warning")
    warning = {"path": NVME_OBJECT, "property": "smart_critical_warning"}
    qmp.command("qom-get", warning)
    qmp.command("qom-set", dict(warning, value=CRITICAL_WARNING))
    qmp.command("qom-get", warning)
    await_console("kestrine-guest: unplug")
    for device in UNPLUG:
        qmp.command("device_del", {"id": device})
    qmp.await_deleted(UNPLUG)
    await_console("kestrine-guest: replug")
    for name, arguments in REPLUG:
        qmp.command(name, arguments)
    say("replugged")
    # Under systemd, between the metrics unit's two runs.
    await_console("kestrine-guest: warn again")
    qmp.command("qom-set", dict(warning, value=CRITICAL_WARNING))
    say("warned again")
except (OSError, EOFError, RuntimeError, ValueError) as error:
    say(f"failed: {error}")
    sys.exit(1)
