#!/usr/bin/env python3
"""Checks what the guest of test-vm.sh found against the disks the host attached.

Usage: check-results.py RESULTS_DIR DISKS_TXT NVME_TXT
RESULTS_DIR holds the guest's files; DISKS_TXT one line per disk: role, model (may hold
blanks), serial, firmware, size in bytes; NVME_TXT one line per NVMe namespace: device, drive
number, serial, size in bytes. smartctl and nvme-cli, run in the guest on the same disks, are the
reference for the S.M.A.R.T. and health values; nothing of QEMU's tables is written here.
"""
import json
import os
import re
import sys

results, disks_txt, nvme_txt = sys.argv[1], sys.argv[2], sys.argv[3]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def text(name):
    path = os.path.join(results, name)
    if not os.path.exists(path):
        failures.append(f"the guest wrote no {name}")
        return ""
    with open(path, encoding="latin-1") as f:
        return f.read()


def load(name):
    try:
        return json.loads(text(name) or "null")
    except json.JSONDecodeError as error:
        failures.append(f"{name} is no JSON document: {error}")
        return None


def status(step):
    value = text(step + ".rc").strip()
    return int(value) if value else None


def drive_of(document):
    if not document or len(document.get("drives", [])) != 1:
        return None
    return document["drives"][0]


def rows(drive, view):
    return [row["cells"] for row in drive["views"][view]["rows"]]


def identify(drive):
    return {cells[0]: cells[1].strip() for cells in rows(drive, "Identify")}


def log_entries(step):
    document = load(step + ".out") or {}
    log = document.get("ata_smart_self_test_log", {}).get("standard", {})
    return len(log.get("table", []))


# The disks: as attached by the host, and as the guest's kernel numbered them.
expected = {}
with open(disks_txt) as f:
    for line in f:
        words = line.split()
        role, size, firmware, serial = words[0], int(words[-1]), words[-2], words[-3]
        expected[role] = {"model": " ".join(words[1:-3]), "serial": serial,
                          "firmware": firmware, "bytes": size}
check(text("finished").strip() == "done", "the guest did not finish its run")
numbers = {}  # role -> drive number
for line in text("disks.txt").splitlines():
    number, name, path, _sectors, model = line.split(maxsplit=4)
    smart = load(f"smartctl-{number}.out") or {}
    serial = smart.get("serial_number", "")
    for role, disk in expected.items():
        # ATA disks by the serial smartctl reads; SCSI disks by the product the kernel reads.
        if disk["serial"] == serial or model == disk["model"].split(" ", 1)[1]:
            numbers[role] = int(number)
            disk.update(name=name, path=path, smartctl=smart)
for role in expected:
    check(role in numbers, f"the guest found no disk with the serial of the {role} disk")
ata_roles = [r for r in ("sata", "ssd", "pata") if r in numbers]
bus_types = {"sata": "Sata", "ssd": "Sata", "pata": "Ata"}

# Every ATA disk, read by kestrine-cli, equals what was attached and what smartctl reads.
for role in ata_roles:
    number, disk = numbers[role], expected[role]
    smart = disk["smartctl"]
    step = f"cli-{number}"
    check(status(step) in (0, 1, 2), f"{step} ({role}) ended with {status(step)}: {text(step + '.err')}")
    drive = drive_of(load(step + ".out"))
    if not check(drive is not None, f"{step} ({role}) gave no drive"):
        continue
    fields = identify(drive)
    check(fields.get("Model") == disk["model"], f"{role}: model {fields.get('Model')!r}")
    check(fields.get("SN") == disk["serial"], f"{role}: serial {fields.get('SN')!r}")
    check(fields.get("FW") == disk["firmware"], f"{role}: firmware {fields.get('FW')!r}")
    check(fields.get("LBASize") == str(disk["bytes"] // 512), f"{role}: capacity {fields.get('LBASize')!r}")
    check(smart.get("user_capacity", {}).get("bytes") == disk["bytes"],
          f"{role}: smartctl reads {smart.get('user_capacity')}")
    check(drive["status_bar"] == f"BusType:{bus_types[role]} Method:IOCTL_ATA_PASS_THROUGH",
          f"{role}: status bar {drive['status_bar']!r}")
    # Attributes: ID, value, worst, threshold and the raw value's low 16 bits, in smartctl's order.
    ours = [(int(c[0]), int(c[2]), int(c[3]), int(c[4]), int(c[5])) for c in rows(drive, "Attributes")]
    theirs = [(a["id"], a["value"], a["worst"], a["thresh"], a["raw"]["value"] & 0xFFFF)
              for a in smart.get("ata_smart_attributes", {}).get("table", [])]
    check(ours == theirs and ours, f"{role}: attributes {ours} != smartctl {theirs}")
    # General values against smartctl's reading of the same S.M.A.R.T. data.
    general = {c[0]: c[1] for c in rows(drive, "General") if c[0]}
    data = smart.get("ata_smart_data", {})
    capabilities = data.get("capabilities", {}).get("values", [None, None])
    pairs = [
        ("Offline data collection status", int(general.get("Offline data collection status", "-1"), 16),
         data.get("offline_data_collection", {}).get("status", {}).get("value")),
        ("Self-test execution status", int(general.get("Self-test execution status", "-1")),
         data.get("self_test", {}).get("status", {}).get("value")),
        ("Total time to complete Offline test", int(general.get("Total time to complete Offline test", "-1")),
         data.get("offline_data_collection", {}).get("completion_seconds")),
        ("Offline data collection Capabilities",
         int(general.get("Offline data collection Capabilities", "-1"), 16), capabilities[0]),
        ("SMART capabilities", int(general.get("SMART capabilities", "-1"), 16), capabilities[1]),
        ("Error logging capability", int(general.get("Error logging capability", "-1"), 16) & 1,
         int(bool(data.get("capabilities", {}).get("error_logging_supported")))),
        ("Short self-test completion time", int(general.get("Short self-test completion time", "-1")),
         data.get("self_test", {}).get("polling_minutes", {}).get("short")),
        ("Extended self-test routine completion time",
         int(general.get("Extended self-test routine completion time", "-1")),
         data.get("self_test", {}).get("polling_minutes", {}).get("extended")),
    ]
    for name, mine, reference in pairs:
        check(mine == reference, f"{role}: General '{name}' {mine} != smartctl {reference}")

# Disks that ATA commands do not reach: QEMU's SCSI disks answer INQUIRY, which names them, and no
# LOG SENSE, so they have no health data: that message, exit status 3, no condition.
for role in ("usb", "scsi"):
    if role not in numbers:
        continue
    step = f"cli-{numbers[role]}"
    check(status(step) == 3, f"{step} ({role}) ended with {status(step)}")
    check("health data could not be read" in text(step + ".err"),
          f"{step} ({role}): {text(step + '.err')!r}")
    drive = drive_of(load(step + ".out"))
    if check(drive is not None and drive.get("condition") is None, f"{step} ({role}): a condition"):
        names = identify(drive)
        check(names.get("Vendor") == expected[role]["model"].split(" ", 1)[0],
              f"{step} ({role}): INQUIRY's vendor {names.get('Vendor')!r}")
check(status("cli-missing") == 3 and "no such drive" in text("cli-missing.err"),
      f"a drive without a device: {status('cli-missing')} {text('cli-missing.err')!r}")

# Self-tests: each start that is reported as started adds exactly one log entry, each start
# reported as failed adds none.
for role in ("sata", "pata"):
    if role not in numbers:
        continue
    number = numbers[role]
    for kind in ("short", "extended", "disk", "rawio"):
        step = f"start-{number}-{kind}"
        added = log_entries(f"log-{number}-{kind}-after") - log_entries(f"log-{number}-{kind}-before")
        said = text(step + ".err")
        if status(step) == 0:
            check("self-test started" in said, f"{step} ({role}): exit 0 but {said!r}")
            check(added == 1, f"{step} ({role}): reported started, the log grew by {added}")
        else:
            check(status(step) == 3 and "failed" in said, f"{step} ({role}): {status(step)} {said!r}")
            check(added == 0, f"{step} ({role}): reported failed, the log grew by {added}")
        if kind in ("short", "extended", "rawio"):
            check(status(step) == 0, f"{step} ({role}) did not start: {said!r}")
    # Our log after the starts equals smartctl's, entry by entry.
    drive = drive_of(load(f"cli-{number}-after.out"))
    smart = load(f"log-{number}-disk-before.out") or {}
    theirs = len(smart.get("ata_smart_self_test_log", {}).get("standard", {}).get("table", []))
    if check(drive is not None, f"cli-{number}-after gave no drive"):
        check(len(rows(drive, "Self Test Logs")) == theirs,
              f"{role}: {len(rows(drive, 'Self Test Logs'))} log rows, smartctl {theirs}")
    # Users with fewer rights.
    name = expected[role]["name"]
    check(status(f"nobody-{number}") == 3 and
          f"cannot open /dev/{name}: Permission denied" in text(f"nobody-{number}.err"),
          f"{role} without rights: {status(f'nobody-{number}')} {text(f'nobody-{number}.err')!r}")
    for who, method in (("disk", "IOCTL_SCSI_PASS_THROUGH"), ("rawio", "IOCTL_ATA_PASS_THROUGH")):
        step = f"{who}-{number}"
        drive = drive_of(load(step + ".out"))
        if check(drive is not None and status(step) in (0, 1, 2), f"{step} ({role}): {text(step + '.err')!r}"):
            check(drive["status_bar"] == f"BusType:{bus_types[role]} Method:{method}",
                  f"{step} ({role}): status bar {drive['status_bar']!r}")
            check(identify(drive) == identify(drive_of(load(f"cli-{number}.out"))),
                  f"{step} ({role}): Identify differs from root's")
    # --save and --html.
    check(status(f"save-{number}") == 0, f"save-{number}: {text(f'save-{number}.err')!r}")
    with open(os.path.join(results, f"drive-{number}.blob"), "rb") as f:
        check(f.read(4) == b"IDFY", f"drive-{number}.blob is no snapshot file")
    check(expected[role]["model"] in text(f"drive-{number}.html") or "<table" in text(f"drive-{number}.html"),
          f"drive-{number}.html holds no table")

# The window over the real disks (offscreen), as root and without rights.
window = text("window.txt")
first = drive_of(load("cli-0.out"))
if check(window != "" and first is not None, "the window wrote no smoke-test report"):
    check(f"start.status={first['status_bar']}" in window.splitlines(), "window: status bar differs")
    check(f"start.lblstatus={first['condition']}" in window.splitlines(), "window: condition differs")
    check(f"start.ListView2.row=SN|{identify(first)['SN']}" in [l.rstrip() for l in window.splitlines()],
          "window: serial missing")
    check("start.message=" not in window, "window: the first refresh showed a message")
nobody = text("window-nobody.txt").splitlines()
check(nobody[:0] == [] and any(l.endswith("text:Reading the drives needs administrator (root) rights.")
                               for l in nobody if l.startswith("start.message=")),
      f"window without rights: {nobody}")

# NVMe namespaces: every identity and health value kestrine-cli shows equals nvme-cli's reading.
NVME_HEALTH = {  # attribute row name -> nvme-cli smart-log key
    "Critical Warning": "critical_warning", "Composite Temperature": "temperature",
    "Available Spare": "avail_spare", "Available Spare Threshold": "spare_thresh",
    "Percentage Used": "percent_used", "Data Units Read": "data_units_read",
    "Data Units Written": "data_units_written", "Host Read Commands": "host_read_commands",
    "Host Write Commands": "host_write_commands", "Controller Busy Time": "controller_busy_time",
    "Power Cycles": "power_cycles", "Power On Hours": "power_on_hours",
    "Unsafe Shutdowns": "unsafe_shutdowns", "Media and Data Integrity Errors": "media_errors",
    "Number of Error Information Log Entries": "num_err_log_entries",
}
with open(nvme_txt) as f:
    nvme_disks = [line.split() for line in f if line.strip()]
for name, number, serial, size in nvme_disks:
    role = f"nvme {name}"
    ctrl, ns, health = (load(f"nvme-{what}-{number}.out") or {} for what in ("id-ctrl", "id-ns", "smart-log"))
    if not check(ctrl and ns and health, f"{role}: nvme-cli read nothing: {text(f'nvme-id-ctrl-{number}.err')!r}"):
        continue
    step = f"cli-{number}"
    drive = drive_of(load(step + ".out"))
    if not check(drive is not None and status(step) in (0, 1, 2),
                 f"{step} ({role}) ended with {status(step)}: {text(step + '.err')!r}"):
        continue
    check(drive["status_bar"] == "BusType:Nvme Method:IOCTL_STORAGE_QUERY_PROPERTY",
          f"{role}: status bar {drive['status_bar']!r}")
    check(drive["messages"] == [], f"{role}: messages {drive['messages']}")
    fields = identify(drive)
    block_size = 2 ** ns["lbafs"][ns["flbas"] & 0xF]["ds"]
    version = ctrl["ver"]
    major = f"NVMe {version >> 16}.{(version >> 8) & 0xFF}" + (f".{version & 0xFF}" if version & 0xFF else "")
    pairs = [("Model", ctrl["mn"].strip()), ("FW", ctrl["fr"].strip()), ("SN", ctrl["sn"].strip()),
             ("SN", serial), ("LBASize", str(ns["nsze"])), ("LogicalBlockSize", str(block_size)),
             ("InterfaceType", "NVM Express"), ("MajorVersion", major), ("SSD", "Yes")]
    for item, reference in pairs:
        check(fields.get(item) == reference, f"{role}: Identify {item} {fields.get(item)!r} != {reference!r}")
    check(ns["nsze"] * block_size == int(size), f"{role}: nvme-cli reads {ns['nsze']} blocks of {block_size}")
    attributes = {c[6]: c for c in rows(drive, "Attributes")}
    check([int(c[0]) for c in rows(drive, "Attributes")] == list(range(1, 16)), f"{role}: attribute ids")
    for row_name, key in NVME_HEALTH.items():
        cells = attributes.get(row_name)
        if check(cells is not None, f"{role}: no attribute row {row_name!r}"):
            check(cells[5] == str(int(health[key])), f"{role}: {row_name} raw {cells[5]!r} != nvme-cli {health[key]}")
    spare = attributes.get("Available Spare", [""] * 7)
    check(spare[2] == str(health["avail_spare"]) and spare[4] == str(health["spare_thresh"]),
          f"{role}: spare row {spare}")
    # The condition, and the tray hint's temperature, from nvme-cli's values.
    warning, spare_now, threshold = health["critical_warning"], health["avail_spare"], health["spare_thresh"]
    if warning or spare_now < threshold:
        condition = "CRITICAL"
    elif spare_now == threshold or health["percent_used"] >= 90 or int(health["media_errors"]):
        condition = "WARNING"
    else:
        condition = "OK"
    check(drive["condition"] == condition, f"{role}: condition {drive['condition']} != {condition}")
    celsius = health["temperature"] - 273 if health["temperature"] else ""
    hint = drive["tray_hint"].encode("latin-1").decode("utf-8")  # text() reads bytes as Latin-1
    check(f"\r\nTemperature:{celsius}\u00b0\r\n" in hint, f"{role}: tray hint {hint!r}")
    general = {c[0]: c[1] for c in rows(drive, "General") if c[0]}
    self_test = bool(ctrl["oacs"] & 0x10)
    pairs = [("Critical warning", f"{warning:02X}"),
             ("Device self-test command", "Supported" if self_test else "Not supported"),
             ("Extended self-test completion time", str(ctrl["edstt"])),
             ("Warning composite temperature threshold", str(ctrl["wctemp"] - 273)),
             ("Critical composite temperature threshold", str(ctrl["cctemp"] - 273))]
    for item, reference in pairs:
        check(general.get(item) == reference, f"{role}: General {item} {general.get(item)!r} != {reference!r}")
    # The short self-test: started where the controller has the command, "failed" where not.
    step = f"start-{number}-short"
    said = text(step + ".err")
    if self_test:
        check(status(step) == 0 and "self-test started" in said, f"{step} ({role}): {status(step)} {said!r}")
    else:
        check(status(step) == 3 and "failed" in said, f"{step} ({role}): {status(step)} {said!r}")
        check(rows(drive, "Self Test Logs") == [], f"{role}: a self-test log without the command")
    # In the list of every drive, and in the window's selector.
    everything = load("cli-all.out") or {}
    listed = [d for d in everything.get("drives", []) if d.get("drive_number") == int(number)]
    check(len(listed) == 1 and identify(listed[0]).get("SN") == serial,
          f"{role}: kestrine-cli --json lists no drive {number} with serial {serial}")
    entry = f"start.selector.entry=\\\\.\\PHYSICALDRIVE{number}"
    check(any(line == entry or line.startswith(entry + "  ")
              for line in text("window.txt").splitlines()),
          f"{role}: not in the window's selector")
    # A user in the disk group: the kernel lets admin commands through only with CAP_SYS_ADMIN.
    step = f"disk-{number}"
    check(status(step) == 3 and "Not a S.M.A.R.T enabled device" in text(step + ".err"),
          f"{step} ({role}): {status(step)} {text(step + '.err')!r}")

# The critical warning the host raised between two reads of the first NVMe namespace (bit 2,
# reliability degraded, as hotplug.py sets it). nvme-cli and smartctl read it; the second read,
# in text and in JSON, tells it in its changes, and each change of either read reaches the
# system log under the identity kestrine, at the priority of its severity.
WARNING_BIT = 2
PRIORITIES = {"error": "err", "warning": "warn", "information": "info"}
logged = []  # (priority, message) of each line kestrine wrote to the system log
for line in text("syslog.txt").splitlines():
    found = re.search(r" user\.(\w+) kestrine\[\d+\]: (.*)$", line)
    if found:
        logged.append((found.group(1), found.group(2)))
if nvme_disks:
    _name, number, serial, _size = nvme_disks[0]
    raised = 1 << WARNING_BIT
    by_nvme_cli = (load("nvme-smart-log-warned.out") or {}).get("critical_warning")
    by_smartctl = ((load("smartctl-warned.out") or {}).get("nvme_smart_health_information_log", {})
                   .get("critical_warning"))
    check(by_nvme_cli == raised and by_smartctl == raised,
          f"after the qom-set nvme-cli reads critical warning {by_nvme_cli}, smartctl "
          f"{by_smartctl}: {text('hotplug.log')!r}")
    print(f"NVMe critical warning raised by the host: nvme-cli reads {by_nvme_cli}, "
          f"smartctl {by_smartctl}")
    before, after = (drive_of(load(f"warn-{when}-json.out")) for when in ("before", "after"))
    if check(before and after, f"the reads around the critical warning: "
                               f"{text('warn-before-json.err')!r} {text('warn-after-json.err')!r}"):
        check(status("warn-after-json") == 2 and after["condition"] == "CRITICAL",
              f"warned drive: status {status('warn-after-json')}, condition {after['condition']}")
        raw = {c[6]: c[5] for c in rows(after, "Attributes")}.get("Critical Warning")
        check(raw == str(raised), f"warned drive: Critical Warning row {raw!r}")
        told = [(c["severity"], c["text"]) for c in after["changes"]]
        # The previous reading comes from the history the first read kept: the condition went
        # worse and the bit was newly set.
        rose = [("error", f"Condition went from {before['condition']} to CRITICAL"),
                ("error", f"Critical Warning bit {WARNING_BIT} set (reliability degraded)")]
        check(told == rose, f"the read after the critical warning told {told}")
        changed = [l[len("Changed: "):] for l in text("warn-after.out").splitlines()
                   if l.startswith("Changed: ")]
        check(changed == [t for _s, t in told], f"the text read after the warning: {changed}")
        for line in changed:
            print(f"kestrine-cli --drive {number}, the read after: Changed: {line}")
        fields = identify(after)
        for drive in (before, after):
            for change in drive["changes"]:
                line = (PRIORITIES[change["severity"]],
                        f"{drive['path']} {fields['Model']} {fields['SN']}: {change['text']}")
                check(logged.count(line) >= 2, f"the system log lacks {line}: {logged}")
                print(f"System log: user.{line[0]} kestrine[...]: {line[1]}")

# --no-wake on drive 0: CHECK POWER MODE (E5h) reaches the disk before anything else, and the
# disk, active, is then read as without the option.
trace = text("no-wake-0.trace").splitlines()
if check(trace, "no trace of the ATA commands of kestrine-cli --no-wake (tracefs, libata events)"):
    commands = [m.group(1).lower() for m in (re.search(r"tf=\(([0-9a-fA-F]{2})", l) for l in trace) if m]
    print("ATA commands of kestrine-cli --drive 0 --no-wake, in order:", " ".join(commands))
    check(commands[:2] == ["e5", "ec"] and "b0" in commands,
          f"--no-wake: CHECK POWER MODE, then IDENTIFY and the S.M.A.R.T. reads: {commands}")
    drive = drive_of(load("no-wake-0.out") or {})
    check(status("no-wake-0") in (0, 1, 2) and drive and drive.get("asleep") is None and
          drive.get("condition"), f"--no-wake: drive 0 not read: {text('no-wake-0.err')!r}")

# The metrics service's command, with the unit's capabilities, read every drive kestrine-cli reads
# with all of root's.
read_by_metrics = {}
for line in text("kestrine.prom").splitlines():
    found = re.match(r'kestrine_drive_read_success\{device="([^"]*)"\} (\S+)$', line)
    if found:
        read_by_metrics[found.group(1).replace("\\\\", "\\")] = found.group(2)
read_by_root = [d["path"] for d in (load("cli-all.out") or {}).get("drives", [])
                if d.get("condition") is not None]
check(status("metrics-unit") in (0, 1, 2) and read_by_root and
      all(read_by_metrics.get(path) == "1" for path in read_by_root),
      f"the metrics service's command read {read_by_metrics}, root reads {read_by_root}: "
      f"status {status('metrics-unit')} {text('metrics-unit.err')!r}")

# The kernel: no protocol errors, no port resets after boot.
boot = text("dmesg-boot.txt").splitlines()
later = text("dmesg.txt").splitlines()[len(boot):]
bad = [l for l in later if re.search(r"found unknown device|hard resetting|exception Emask|"
                                      r"failed command|SError|timeout", l)]
check(not bad, f"the kernel reported: {bad}")

# Drives that went away during a read: each read of the USB disk and the NVMe namespace while the
# host removed them either answered as at boot (the NVMe namespace whole: its serial and health
# table; the USB disk refused, as QEMU's SCSI disk carries no ATA command) or reported the drive
# as not read (status 3 and a reason); none killed or crashed, none longer than the command
# time-out allows; reads on both sides of the removal; no kernel fault; both found again, and
# answering as at boot, once added back.
check("replugged" in text("hotplug.log").splitlines(),
      f"the host did not remove and add back the drives: {text('hotplug.log')!r}")
gone = {int(number): serial for _name, number, serial, _size in nvme_disks}
if check("usb" in numbers, "no USB disk to remove"):
    gone[numbers["usb"]] = expected["usb"]["serial"]
LONGEST_READ_MS = 70000  # the 60 s command time-out and the program around it
for number, serial in gone.items():
    at_boot = (status(f"cli-{number}"), text(f"cli-{number}.err"))
    reads = sorted(int(name[len(f"gone-{number}-"):-3]) for name in os.listdir(results)
                   if name.startswith(f"gone-{number}-") and name.endswith(".rc"))
    outcomes = {"as at boot": 0, "not read": 0}
    for i in reads:
        step = f"gone-{number}-{i}"
        code, start, end = (int(word) for word in text(step + ".rc").split())
        check(end - start <= LONGEST_READ_MS, f"{step}: the read took {end - start} ms")
        said = text(step + ".err")
        if code in (0, 1, 2):
            drive = drive_of(load(step + ".out"))
            whole = drive is not None and identify(drive).get("SN") == serial and rows(drive, "Attributes")
            check(whole, f"{step}: status {code} for a read that is not whole: {text(step + '.out')[:300]!r}")
            outcomes["as at boot"] += 1
        elif (code, said) == at_boot:
            outcomes["as at boot"] += 1
        elif check(code == 3 and said.strip(), f"{step}: status {code}, {said!r}"):
            outcomes["not read"] += 1
    check(all(outcomes.values()), f"drive {number} while it went away: {outcomes} of {len(reads)} reads")
back = load("back.out") or {}
for _name, number, serial, _size in nvme_disks:
    check(any(identify(d).get("SN") == serial for d in back.get("drives", []) if d.get("status_bar")),
          f"drive {number} ({serial}) not found again after it was added back")
if "usb" in numbers:
    usb_boot = (status(f"cli-{numbers['usb']}"), text(f"cli-{numbers['usb']}.err"))
    check((status("back-usb"), text("back-usb.err")) == usb_boot,
          f"the USB disk added back: {status('back-usb')} {text('back-usb.err')!r}, at boot {usb_boot}")
boot_and_run = len(text("dmesg.txt").splitlines())
faults = [l for l in text("dmesg-gone.txt").splitlines()[boot_and_run:]
          if re.search(r"Oops|BUG:|general protection|Kernel panic|WARNING:|Call Trace|segfault|"
                       r"blocked for more than", l)]
check(not faults, f"the kernel reported, as the drives went away: {faults}")

# The metrics unit under systemd, its whole sandbox applied: both runs succeeded, the history in
# its StateDirectory kept a reading of each run (the NVMe namespace's condition went to CRITICAL
# with the warning the host raised between them), and the second run told it to the journal.
for run in (1, 2):
    check("Result=success" in text(f"unit-{run}.txt").splitlines(),
          f"the metrics unit's run {run}: {text(f'unit-{run}.txt')!r}")
nvme_serial = nvme_disks[0][2] if nvme_disks else "?"
history = text("unit-history.out")
nvme_part = history[history.find(nvme_serial):] if nvme_serial in history else ""
conditions = re.findall(r"^    \S+ \S+  (OK|WARNING|CRITICAL)$", nvme_part.split("\n\n")[0], re.M)
check(status("unit-history") == 0 and conditions[-1:] == ["CRITICAL"],
      f"the history the unit kept: {history!r} {text('unit-history.err')!r}")
journal = text("unit-journal.txt")
check(re.search(rf"kestrine\[\d+\]: .*{nvme_serial}: Critical Warning bit 2 set", journal),
      f"the journal holds no line of the unit's warning: {journal!r}")
check("drwx------" in text("unit-state.txt"), f"the unit's state folder: {text('unit-state.txt')!r}")
if not failures:
    print("The metrics unit under systemd: two runs, the history kept, the warning in the journal")

# Speed: kestrine-cli against smartctl -a on drive 0, alternated.
times = {}
for line in text("timings.txt").splitlines():
    tool, ms = line.split()
    times.setdefault(tool, []).append(int(ms))
if check(len(times.get("kestrine", [])) == 20 and len(times.get("smartctl", [])) == 20,
         "the timings are incomplete"):
    ours, theirs = sum(times["kestrine"]) / 20, sum(times["smartctl"]) / 20
    print(f"Speed in the guest, mean of 20 alternated runs: kestrine-cli --drive 0 --json {ours:.0f} ms,"
          f" smartctl -a {theirs:.0f} ms, ratio {ours / theirs:.2f}")

for failure in failures:
    print("FAIL:", failure)
print("The guest's checks: " + (f"{len(failures)} failed" if failures else "all passed"))
sys.exit(1 if failures else 0)
