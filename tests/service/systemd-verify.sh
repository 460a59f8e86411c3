#!/usr/bin/env bash
# `systemd-analyze verify` on the unit tavik-monitor@.service, with the built executable in
# place of /usr/bin/tavik; any warning fails as an error does. The unit also waits for the
# clock to be synchronised (records are stamped with it), as systemd documents it for
# time-sync.target: both After= and Wants=.
# Usage: systemd-verify.sh UNIT TAVIK_EXECUTABLE
set -euo pipefail
unit=$1
tavik=$2
for dependency in After Wants; do
    if ! grep -q "^$dependency=.*\btime-sync\.target\b" "$unit"; then
        echo "the unit lacks $dependency=time-sync.target"
        exit 1
    fi
done
if ! command -v systemd-analyze >/dev/null; then
    echo "systemd-analyze is not installed (scripts/setup installs systemd): skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed "s|/usr/bin/tavik|$tavik|" "$unit" >"$work/tavik-monitor@.service"
report=$(systemd-analyze verify --man=no "$work/tavik-monitor@site.service" 2>&1) || {
    echo "$report"
    exit 1
}
if [ -n "$report" ]; then
    echo "$report"
    exit 1
fi
echo "the unit verifies"
