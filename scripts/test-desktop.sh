#!/usr/bin/env bash
# The Qt window's notifications on a desktop: under Xvfb, with a window manager (openbox), a
# panel with a tray (tint2), a D-Bus session and a notification daemon (GNOME's
# notification-daemon), runs kestrine-desktop-check (the demo window whose first disk gets worse
# after the first refresh, re-read every two seconds, and whose fourth disk, not shown, gets worse
# at the first re-read) twice: beside tint2's XEmbed tray, and with a status-notifier watcher.
# Each time it minimizes the window into the tray (with another drive chosen meanwhile), clicks
# the notification on the screen and checks that the window came back showing the drive told of
# last, the fourth disk, and that its readings are in the history the check keeps. With
# dbus-monitor it reads what reached the notification service: nothing in the first run; in the
# second, one Notify call for each drive's first reading that is not OK, one for the first disk's
# rise and one for the fourth's, each naming the drive and what changed, and none at the re-reads
# after them.
#
# Qt sends a tray icon's messages to the notification service only when it serves the icon over
# D-Bus, that is when a status-notifier host is registered with the watcher (KDE Plasma, Xfce's and
# LXQt's panels, GNOME with the AppIndicator extension); beside a plain XEmbed tray it draws a
# balloon of its own. A small watcher that reports a host stands in for those desktops here.
# Installs nothing: run `bash scripts/install-deps.sh desktop` first.
#
#   test-desktop.sh [BUILD_DIR]                   builds kestrine-desktop-check in BUILD_DIR
#                                                 (default out/normal) and checks
#   test-desktop.sh --screenshot FILE [BUILD_DIR] also photographs the screen at the first
#                                                 re-read of each run (FILE-xembed.png,
#                                                 FILE-dbus.png; ImageMagick)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
python=/usr/bin/python3
screenshot=""
if [ "${1:-}" = "--screenshot" ]; then
  screenshot=$(realpath -m "${2:?--screenshot needs a file name}")
  shift 2
fi

# The desktop part: runs inside Xvfb and a D-Bus session of its own.
if [ "${1:-}" = "--in-session" ]; then
  build=$2
  work="$build/desktop-check"
  rm -rf "$work"
  mkdir -p "$work"
  pids=()
  cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
  }
  trap cleanup EXIT
  failures=0
  fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
  }
  # Waits up to $1 seconds for the command after it to succeed.
  wait_for() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
      "$@" && return 0
      sleep 0.1
    done
    return 1
  }
  has_owner() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
  }

  openbox >"$work/openbox.log" 2>&1 &
  pids+=($!)
  tint2 >"$work/tint2.log" 2>&1 &
  pids+=($!)
  /usr/lib/notification-daemon/notification-daemon >"$work/notification-daemon.log" 2>&1 &
  pids+=($!)
  # The status-notifier watcher, with a host registered: enough for Qt to serve its tray icon
  # over D-Bus. It writes each item that registers.
  cat >"$work/watcher.py" <<'WATCHER'
import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
NAME = "org.kde.StatusNotifierWatcher"


class Watcher(dbus.service.Object):
    def __init__(self):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []

    @dbus.service.method(NAME, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        item = service if service.startswith(":") or "." in service else sender + service
        self.items.append(item)
        print("item", item, flush=True)
        self.StatusNotifierItemRegistered(item)

    @dbus.service.method(NAME, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(NAME, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "IsStatusNotifierHostRegistered": True,
            "ProtocolVersion": dbus.Int32(0),
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
        }


    # Qt reads the properties through an interface made from this description.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return f"""<node><interface name="{NAME}">
<method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
<signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
</interface></node>"""


name = dbus.service.BusName(NAME, bus)
watcher = Watcher()
GLib.MainLoop().run()
WATCHER
  wait_for 20 has_owner org.freedesktop.Notifications || fail "no notification service came up"
  monitor="$work/dbus-monitor.log"
  dbus-monitor --session \
    "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
    "type='signal',interface='org.freedesktop.Notifications',member='ActionInvoked'" \
    >"$monitor" 2>&1 &
  pids+=($!)

  # Runs the window as run $1 until it was clicked back from the tray and ticked once more. The
  # change is told at the first tick; the second finds none, and then the window goes into the
  # tray with the third drive chosen. The notification is clicked in the middle of the largest
  # window of class $2 on the screen.
  run_window() {
    events="$work/$1-events.log"
    QT_QPA_PLATFORM=xcb "$build/tests/kestrine-desktop-check" --tick-ms 2000 \
      --history "$work/$1-history.db" >"$events" 2>"$work/$1-window.log" &
    local window_pid=$!
    pids+=("$window_pid")
    if [ -n "$screenshot" ]; then
      wait_for 30 grep -q '^tick 1 ' "$events" && sleep 0.5
      import -window root "${screenshot%.*}-$1.${screenshot##*.}" && echo "Wrote ${screenshot%.*}-$1.${screenshot##*.}"
    fi
    # Minimized as by its title bar's button, through the window manager.
    wait_for 30 grep -q '^tick 2 ' "$events" || fail "$1: the window did not tick twice"
    xdotool search --onlyvisible --name '^Kestrine [0-9.]* by ' windowminimize 2>/dev/null ||
      fail "$1: no window to minimize"
    wait_for 10 grep -q '^tick [0-9]* visible=0 drive=\\\\.\\PHYSICALDRIVE2  ' "$events" ||
      fail "$1: the window did not go into the tray with the third drive chosen"
    local at="" area=0 window
    for window in $(xdotool search --onlyvisible --class "$2" 2>/dev/null || true); do
      eval "$(xdotool getwindowgeometry --shell "$window")"
      if [ $((WIDTH * HEIGHT)) -gt "$area" ]; then
        area=$((WIDTH * HEIGHT))
        at="$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
      fi
    done
    if [ "$area" -gt 1000 ]; then
      # shellcheck disable=SC2086
      xdotool mousemove $at click 1
    else
      fail "$1: no notification is shown on the screen"
    fi
    wait_for 10 grep -q '^clicked ' "$events" ||
      fail "$1: the click on the notification did not reach the window"
    # One tick more after the click, so that a notification told again would be seen.
    ticks_after() { [ "$(grep -c '^tick ' "$events")" -gt "$1" ]; }
    wait_for 10 ticks_after "$(grep -c '^tick ' "$events")" || fail "$1: the window stopped ticking"
    sleep 0.5
    kill "$window_pid" 2>/dev/null || true
    echo "-- What the window wrote ($1)"
    cat "$events"
    # Back at once, and still there at the tick after the click; the selector names the model.
    local told_last='\\\\.\\PHYSICALDRIVE3  KESTREL HD1000S$'
    grep -q "^clicked visible=1 drive=$told_last" "$events" &&
      sed -n '$p' "$events" | grep -q "^tick [0-9]* visible=1 drive=$told_last" ||
      fail "$1: the click did not bring the window back showing \\\\.\\PHYSICALDRIVE3"
    # The drive not shown was kept in the history at each read of it.
    "$build/kestrine-cli" --history --history-file "$work/$1-history.db" \
      >"$work/$1-history.txt" 2>&1 || true
    grep -q 'PHYSICALDRIVE3' "$work/$1-history.txt" ||
      fail "$1: the fourth disk is not in the history"
  }

  # Beside tint2's XEmbed tray, Qt shows its own balloon, and the notification service hears
  # nothing.
  run_window xembed Kestrine
  ! grep -q 'member=Notify$' "$monitor" || fail "xembed: a notification went over D-Bus"

  "$python" "$work/watcher.py" >"$work/watcher.log" 2>&1 &
  pids+=($!)
  wait_for 20 has_owner org.kde.StatusNotifierWatcher || fail "the watcher did not come up"
  run_window dbus notification-daemon
  grep -q '^item ' "$work/watcher.log" || fail "dbus: the tray icon was not served over D-Bus"
  echo "-- What reached the notification service"
  cat "$monitor"
  # Each Notify call's arguments: application, replaces, icon, summary, body, actions, hints,
  # timeout; summary and body are the third and fourth that are strings.
  told=$(awk '/member=Notify$/ { call++; n = 0; next }
              call && /^   string / { n++; if (n == 3) summary = $0; if (n == 4) print summary " |" $0 }' \
    "$monitor")
  # The first reading already finds the drive's condition WARNING (reallocated sectors), and tells
  # it, and so does the round of the other drives for each one not OK; the first tick tells the
  # rise, and the first round after it the fourth disk's; nothing is told after that.
  told_of() { echo "   string \"\\\\.\\PHYSICALDRIVE$1\" |   string \"$2\""; }
  expected="$(told_of '0 KESTREL HD2000S KD2S41A07731' 'Condition is WARNING at the first reading')
$(told_of '1 KESTREL HD250PA KP1A0T3M88214' 'Condition is CRITICAL at the first reading')
$(told_of '3 KESTREL HD1000S KD1S27C44019' 'Condition is WARNING at the first reading')
$(told_of '7 KESTREL NV256 M.2 KN25619A00982' 'Condition is CRITICAL at the first reading')
$(told_of '11 HGST HUSMM3280ASS205 0PY8K3NA' 'Condition is WARNING at the first reading')
$(told_of '14 KESTREL NV1000 1TB KN1T20A11870' 'Condition is WARNING at the first reading')
$(told_of '0 KESTREL HD2000S KD2S41A07731' 'Reallocated Sector Count rose from 8 to 12')
$(told_of '3 KESTREL HD1000S KD1S27C44019' 'Current Pending Sector Count rose from 8 to 9')"
  [ "$told" = "$expected" ] ||
    fail "dbus: told $(grep -c . <<<"$told") notifications, expected these:"$'\n'"$expected"
  [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
  echo "Beside an XEmbed tray, Qt's own balloon; over D-Bus, each change told once and not again at"
  echo "$(($(grep -c '^tick ' "$events") - 1)) later ticks; a click on either brought the window back on the drive."
  exit 0
fi

build=$(realpath -m "${1:-$root/out/normal}")
tools=(Xvfb xvfb-run dbus-run-session dbus-monitor dbus-send openbox tint2 xdotool "$python")
[ -n "$screenshot" ] && tools+=(import)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || {
    echo "test-desktop.sh: $tool is missing; run: bash scripts/install-deps.sh desktop" >&2
    exit 2
  }
done
[ -x /usr/lib/notification-daemon/notification-daemon ] &&
  "$python" -c 'import dbus, gi' 2>/dev/null || {
  echo "test-desktop.sh: notification-daemon or python3-dbus is missing; run: bash scripts/install-deps.sh desktop" >&2
  exit 2
}
cmake --build "$build" --target kestrine-desktop-check kestrine-cli
screenshot_args=()
[ -n "$screenshot" ] && screenshot_args=(--screenshot "$screenshot")
xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- \
  bash "$0" "${screenshot_args[@]}" --in-session "$build"
