#!/usr/bin/env bash
# The packages in dist/ as a user gets them, on this machine (as root, with a display for Wine):
# the Debian package checked by lintian, installed with apt, used from an empty folder and
# removed again; the Windows zip unpacked into an empty folder and run under Wine in a Wine
# prefix of its own, with nothing beside the two executables. Every place that shows the version
# must show the one number of CMakeLists.txt.
# Usage: check_packages.sh   (after scripts/package)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root" || exit 1

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

version=$(sed -n 's/^project(Nordavel VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
major=${version%%.*}
minor=${version#*.}
minor=${minor%%.*}
# The time zone data built in: the build machine's.
zones="time zones $(sed -n 's/^# version //p' /usr/share/zoneinfo/tzdata.zi)"
caption=$(printf 'Nordavel to CSV Ver%d.%02d' "$major" "$minor")
deb=$root/dist/nordavel-cli_${version}_amd64.deb
zip=$root/dist/Nordavel-${version}-win64.zip
[ -f "$deb" ] || fail "no $deb"
[ -f "$zip" ] || fail "no $zip"
[ "$failures" -eq 0 ] || exit 1

work=$(mktemp -d)
cleanup() {
    WINEPREFIX="$work/wineprefix" wineserver -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

echo "== lintian $deb"
lintian "$deb" >"$work/lintian.txt" 2>&1
cat "$work/lintian.txt"
grep -q '^E:' "$work/lintian.txt" && fail "lintian reports errors"

echo "== installed with apt"
if $sudo apt-get install -y -q "$deb" >"$work/apt.txt" 2>&1; then
    [ "$(dpkg-query -W -f='${Version}' nordavel-cli)" == "$version" ] || fail "package version"
    mkdir "$work/linux" && cd "$work/linux" || exit 1
    [ "$(nordavel-cli --version)" == "nordavel-cli $version ($zones)" ] ||
        fail "--version: $(nordavel-cli --version)"
    cp "$root/examples/walk.kml" .
    nordavel-cli walk.kml >/dev/null || fail "installed nordavel-cli: status $?"
    cmp -s walk.csv "$root/tests/cli/walk.csv.expected" || fail "installed nordavel-cli: walk.csv differs"
    page=$(man -w nordavel-cli) || fail "man -w nordavel-cli"
    [ "$page" == /usr/share/man/man1/nordavel-cli.1.gz ] || fail "manual page at $page"
    zcat "$page" | grep -q "^\.TH NORDAVEL-CLI 1 \"\" \"Nordavel $version\"" ||
        fail "manual page version: $(zcat "$page" | grep '^\.TH')"
    cd "$root" || exit 1
    $sudo apt-get remove -y -q nordavel-cli >/dev/null 2>&1 || fail "apt-get remove"
    [ ! -e /usr/bin/nordavel-cli ] && [ ! -e /usr/share/man/man1/nordavel-cli.1.gz ] ||
        fail "files left after removal"
else
    cat "$work/apt.txt"
    fail "apt-get install $deb"
fi

echo "== Windows zip under Wine"
mkdir "$work/windows" && cd "$work/windows" || exit 1
unzip -q "$zip" || fail "unzip"
[ "$(ls -A | tr '\n' ' ')" == "LICENSE.txt Nordavel.exe README.txt nordavel-cli.exe " ] ||
    fail "zip holds: $(ls -A)"
for text in LICENSE.txt README.txt; do
    [ "$(tr -cd '\n' <"$text" | wc -c)" == "$(grep -c $'\r$' "$text")" ] || fail "$text: not CR LF"
done
for exe in Nordavel.exe nordavel-cli.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z')
    grep -qE 'libstdc|libgcc|libwinpthread' <<<"$dlls" && fail "$exe needs MinGW DLLs: $dlls"
    [ "$(strings -el "$exe" | grep -A1 -x ProductVersion | tail -1)" == "$version" ] ||
        fail "$exe: version resource"
done
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
wine=("$root/scripts/wine-run")
cp "$root/examples/walk.kml" .
[ "$("${wine[@]}" nordavel-cli.exe --version | tr -d '\r')" == "nordavel-cli $version ($zones)" ] ||
    fail "nordavel-cli.exe --version"
"${wine[@]}" nordavel-cli.exe walk.kml >/dev/null || fail "nordavel-cli.exe: status $?"
cmp -s walk.csv "$root/tests/cli/walk.csv.expected" || fail "nordavel-cli.exe: walk.csv differs"

"${wine[@]}" Nordavel.exe &
gui=$!
window=$(timeout 60 xdotool search --sync --name "^$caption\$" 2>/dev/null | head -1)
[ -n "$window" ] || fail "no window captioned '$caption' appeared"
# Without /f, taskkill asks the window to close, as the user closing it would.
"${wine[@]}" taskkill /im Nordavel.exe >/dev/null 2>&1
timeout 30 tail --pid="$gui" -f /dev/null || fail "Nordavel.exe did not close"
wait "$gui" || fail "Nordavel.exe: status $?"
[ -f Nordavel.ini ] || fail "no Nordavel.ini beside Nordavel.exe after closing"
cd "$root" || exit 1

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "packages of version $version install and work"
