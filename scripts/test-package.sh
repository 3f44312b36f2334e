#!/usr/bin/env bash
# Builds the Debian package (cpack -G DEB) in out/package and checks it: lintian reports no
# error, the desktop entries and the AppStream metainfo validate, the package installs with
# apt-get, its programs run from /usr/bin (kestrine-cli --html copies the style sheet from
# /usr/share/kestrine), and apt-get purge leaves none of its files behind. The machine's package
# set is restored at the end, whatever happened: the package and anything installed with it are
# purged. Needs root (or sudo) and `bash scripts/install-deps.sh package`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/out/package"
shared="$root/../shared/captured-drives/skdump-format"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

for tool in cmake cpack ninja dpkg-shlibdeps lintian desktop-file-validate appstreamcli xmllint \
  python3 apt-get; do
  command -v "$tool" >/dev/null || {
    echo "test-package.sh: $tool is missing; run: bash scripts/install-deps.sh package" >&2
    exit 2
  }
done
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

echo "== Build the Debian package"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Debian's hardening flags; the dates in the package are the last commit's.
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)
DEB_BUILD_MAINT_OPTIONS=hardening=+all
export SOURCE_DATE_EPOCH DEB_BUILD_MAINT_OPTIONS
rm -f "$out"/kestrine_*.deb
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DKESTRINE_STATIC_CLI=OFF -DKESTRINE_TESTS=OFF -DKESTRINE_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$out" -j "$(nproc)"
(cd "$out" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/CMakeCache.txt")
deb="$out/kestrine_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "FAILED: no $(basename "$deb")" >&2; ls "$out"/*.deb >&2 || true; exit 1; }
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"

echo "== What the package holds"
# Dependencies computed from the binaries, and pkexec for the menu entry.
depends=$(dpkg-deb --field "$deb" Depends)
for library in libc6 libstdc++6 libqt6widgets6 pkexec; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends has no $library: $depends"
done
# No set-user-ID or set-group-ID file, and no maintainer script that could give capabilities.
if dpkg-deb --contents "$deb" | awk '{print $1}' | grep -q '^-..[sS]\|^-.....[sS]'; then
  fail "a set-user-ID or set-group-ID file"
fi
control=$(mktemp -d)
tree=$(mktemp -d)
work=$(mktemp -d)
installing=0
restore() {
  if [ "$installing" -eq 1 ]; then
    # The package and whatever it brought along go again, also when a check failed.
    if dpkg-query -W -f='${Status}' kestrine 2>/dev/null | grep -q 'installed'; then
      $sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q kestrine >/dev/null || true
    fi
    local brought
    brought=$(comm -13 "$work/installed-before" <(installed_packages) | tr '\n' ' ')
    if [ -n "${brought// /}" ]; then
      echo "Purging what the package brought along: $brought"
      # shellcheck disable=SC2086
      $sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q $brought >/dev/null || true
    fi
  fi
  rm -rf "$control" "$tree" "$work"
}
trap restore EXIT
installed_packages() {
  dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' | awk '$1 ~ /^ii/ {print $2}' | sort
}
dpkg-deb --control "$deb" "$control"
for script in preinst postinst prerm postrm; do
  [ ! -e "$control/$script" ] || fail "the package runs a $script script"
done
dpkg-deb --extract "$deb" "$tree"
for file in usr/bin/kestrine usr/bin/kestrine-demo usr/bin/kestrine-cli usr/share/kestrine/style.css \
  usr/share/applications/org.example.kestrine.desktop \
  usr/share/applications/org.example.kestrine.demo.desktop \
  usr/share/polkit-1/actions/org.example.kestrine.policy \
  usr/share/metainfo/org.example.kestrine.metainfo.xml \
  usr/share/icons/hicolor/48x48/apps/kestrine.png usr/share/icons/hicolor/256x256/apps/kestrine.png \
  usr/share/man/man1/kestrine.1.gz usr/share/man/man1/kestrine-cli.1.gz \
  usr/share/man/man1/kestrine-demo.1.gz usr/share/doc/kestrine/copyright \
  usr/share/doc/kestrine/changelog.gz; do
  [ -e "$tree/$file" ] || fail "the package has no /$file"
done
[ ! -e "$tree/usr/bin/style.css" ] || fail "style.css is in /usr/bin"
# The menu entry runs exactly the program the polkit action names, with a GUI allowed.
grep -qx 'Exec=pkexec /usr/bin/kestrine' "$tree/usr/share/applications/org.example.kestrine.desktop" ||
  fail "the Kestrine menu entry does not start /usr/bin/kestrine through pkexec"
policy="$tree/usr/share/polkit-1/actions/org.example.kestrine.policy"
xmllint --noout "$policy" || fail "the polkit policy is not well-formed"
[ "$(xmllint --xpath 'string(//annotate[@key="org.freedesktop.policykit.exec.path"])' "$policy")" = \
  /usr/bin/kestrine ] || fail "the polkit action names another program"
[ "$(xmllint --xpath 'string(//annotate[@key="org.freedesktop.policykit.exec.allow_gui"])' "$policy")" = \
  true ] || fail "the polkit action does not allow a GUI"
# The committed icons are what scripts/make-icon.py draws.
python3 "$root/scripts/make-icon.py" --png 48 "$work/kestrine-48.png"
cmp -s "$work/kestrine-48.png" "$tree/usr/share/icons/hicolor/48x48/apps/kestrine.png" ||
  fail "the 48-pixel icon is not what scripts/make-icon.py draws"

echo "== desktop-file-validate, appstreamcli validate"
for entry in "$tree"/usr/share/applications/*.desktop; do
  desktop-file-validate "$entry" || fail "desktop-file-validate $(basename "$entry")"
done
appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"

echo "== lintian"
# Errors fail the stage; warnings are shown (docs/testing.md says which are left).
lintian --fail-on error --display-level ">=warning" --tag-display-limit 0 "$deb" ||
  fail "lintian reports errors"

echo "== Install, use and purge"
if dpkg-query -W -f='${Status}' kestrine 2>/dev/null | grep -q 'installed'; then
  echo "test-package.sh: a kestrine package is already installed; remove it first" >&2
  exit 1
fi
installed_packages >"$work/installed-before"
installing=1
# The package's paths that are not on the machine yet (a folder such as /usr/share/man is).
(cd "$tree" && find . -mindepth 1 | sed 's|^\.||') | while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || echo "$path"
done | sort >"$work/new-paths"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >/dev/null
# What dpkg says the package installed; of it, what purge must take away again.
dpkg -L kestrine | sort >"$work/files"
owned="$work/owned"
comm -12 "$work/files" "$work/new-paths" >"$owned"
echo "The package installed $(wc -l <"$work/files") paths."

expect_output() {
  local expected=$1
  shift
  local got
  got=$("$@" 2>&1) || fail "$* ended with $?"
  [ "$got" = "$expected" ] || fail "$* printed '$got', expected '$expected'"
}
expect_output "kestrine-cli $version" /usr/bin/kestrine-cli --version
expect_output "kestrine $version" /usr/bin/kestrine --version
expect_output "kestrine-demo $version" /usr/bin/kestrine-demo --version

# A snapshot file: a captured drive where the shared folder is there, else a drive whose IDENTIFY
# and S.M.A.R.T. data blocks are zero bytes (a drive without its health data is not judged, and
# the run would end with "no drive could be read").
snapshot=$(find "$shared" -maxdepth 1 -name '*.blob' 2>/dev/null | sort | head -n 1 || true)
if [ -z "$snapshot" ]; then
  snapshot="$work/zero.blob"
  { printf 'IDFY\0\0\2\0'; head -c 512 /dev/zero; printf 'SMDT\0\0\2\0'; head -c 512 /dev/zero; } \
    >"$snapshot"
fi
mkdir -p "$work/reports"
status=0
(cd "$work" && /usr/bin/kestrine-cli --load "$snapshot" --html Attributes reports/attributes.html) \
  >"$work/cli.out" 2>&1 || status=$?
echo "kestrine-cli --load $(basename "$snapshot") --html Attributes: exit status $status"
[ "$status" -le 2 ] || { cat "$work/cli.out" >&2; fail "kestrine-cli --html ended with $status"; }
grep -q '<table>' "$work/reports/attributes.html" 2>/dev/null || fail "no HTML report written"
cmp -s "$work/reports/style.css" /usr/share/kestrine/style.css ||
  fail "style.css was not copied beside the report from /usr/share/kestrine"

$sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q kestrine >/dev/null
left=0
while IFS= read -r path; do
  if [ -e "$path" ] || [ -L "$path" ]; then
    echo "left behind: $path" >&2
    left=$((left + 1))
  fi
done <"$owned"
[ "$left" -eq 0 ] || fail "apt-get purge left $left of the package's paths behind"
! dpkg-query -W kestrine >/dev/null 2>&1 || fail "dpkg still knows the package after the purge"
echo "apt-get purge removed all $(wc -l <"$owned") paths the package owned."

[ "$failures" -eq 0 ] || { echo "$failures package check(s) failed" >&2; exit 1; }
echo "All package checks passed."
