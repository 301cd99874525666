#!/usr/bin/env bash
# Builds the .deb (scripts/package.sh), installs it with apt-get, runs the
# installed r7config --help and an export against the installed r7sim, then
# removes the package again, also when a step fails. Needs root (or sudo):
# CI runs it on a throwaway machine. Ends with one line
# "check-package: PASS" or "check-package: FAIL: reason".
#   scripts/check-package.sh [FILE.deb]   (default: build one)
set -uo pipefail
cd "$(dirname "$0")/.."

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

work=$(mktemp -d)
sim_pid=""
installed_here=0

cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
    fi
    if [ "$installed_here" = 1 ]; then
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq r7config >/dev/null 2>&1 \
            || echo "check-package: could not remove the package r7config" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "check-package: FAIL: $*"
    exit 1
}

if dpkg-query -W -f='${Status}' r7config 2>/dev/null | grep -q "install ok installed"; then
    fail "r7config is already installed; remove it first (this check installs and removes it)"
fi

deb=${1:-}
if [ -z "$deb" ]; then
    start=$(date +%s)
    deb=$(bash scripts/package.sh | tail -n 1) || fail "scripts/package.sh failed"
    echo "check-package: package built in $(( $(date +%s) - start )) s: $deb"
fi
[ -f "$deb" ] || fail "no package file $deb"
case $deb in /*) ;; *) deb=./$deb ;; esac

DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 \
    || { cat "$work/apt.log" >&2; fail "apt-get install $deb"; }
installed_here=1

[ -x /usr/bin/r7config ] && [ -x /usr/bin/r7sim ] || fail "r7config or r7sim is not in /usr/bin"
[ -f /usr/share/r7config/template/KDT-R7_EN.xlsx ] || fail "no templates in /usr/share/r7config/template"
[ -f /usr/share/applications/r7config.desktop ] || fail "no desktop entry"
[ -f /usr/share/icons/hicolor/48x48/apps/r7config.png ] || fail "no icon"

/usr/bin/r7config --help >"$work/help.txt" 2>&1 || fail "r7config --help exited with $?"
grep -q -- "--export" "$work/help.txt" || fail "r7config --help does not document --export"

# The installed simulator on a free port; it prints the port it took.
/usr/bin/r7sim --tcp 127.0.0.1:0 </dev/null >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
    grep -q "r7sim listening tcp" "$work/sim.out" 2>/dev/null && break
    sleep 0.1
done
endpoint=$(sed -n 's/^r7sim listening tcp //p' "$work/sim.out")
[ -n "$endpoint" ] || { cat "$work/sim.err" >&2; fail "r7sim did not start"; }

# Run as a user would: HOME in the scratch folder, from another directory.
(cd "$work" && HOME="$work" XDG_CONFIG_HOME= XDG_DATA_HOME= timeout 120 \
    /usr/bin/r7config --export "$work/backup.xlsx" --tcp "$endpoint") 2>"$work/export.err"
rc=$?
[ "$rc" = 0 ] || { cat "$work/export.err" >&2; fail "installed r7config --export exited with $rc"; }
[ -s "$work/backup.xlsx" ] || fail "the export wrote no workbook"
(cd "$work" && HOME="$work" timeout 120 /usr/bin/r7config --compare "$work/backup.xlsx" --tcp "$endpoint") \
    >"$work/compare.out" 2>"$work/compare.err"
rc=$?
[ "$rc" = 0 ] || { cat "$work/compare.err" "$work/compare.out" >&2; fail "compare after the export exited with $rc"; }
tail -n 1 "$work/export.err"

echo "check-package: PASS"
