#!/usr/bin/env bash
# The tavik package's maintainer scripts as dpkg runs them, in a throwaway root ($DPKG_ROOT)
# where systemd runs, its tools replaced by stubs that record their calls: installation,
# upgrade, removal and purge (twice: the scripts are idempotent), then without systemd.
# Usage: maintainer-scripts.sh PACKAGING_FOLDER
set -euo pipefail
scripts=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
mkdir -p "$work/bin" "$root/run/systemd/system"
for tool in systemctl deb-systemd-invoke systemd-sysusers; do
    printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$tool" "$work/calls" >"$work/bin/$tool"
    chmod +x "$work/bin/$tool"
done
export DPKG_ROOT=$root PATH="$work/bin:$PATH"

failed=0
# expect "CALLS" SCRIPT ARGUMENTS...: the script succeeds and makes exactly these calls.
expect() {
    local calls=$1
    shift
    : >"$work/calls"
    sh -e "$scripts/$1" "${@:2}" || { echo "FAILED: $* ended with $?"; failed=1; return; }
    if [ "$(cat "$work/calls")" != "$calls" ]; then
        printf 'FAILED: %s\n  expected: %s\n  called:   %s\n' "$*" "$calls" "$(cat "$work/calls")"
        failed=1
    fi
}
# present/absent PATH...: what a purge must keep or remove.
exists() { [ -e "$root/$1" ] || [ -L "$root/$1" ]; }
present() { for p; do exists "$p" || { echo "FAILED: $p was removed"; failed=1; }; done; }
absent() { for p; do if exists "$p"; then echo "FAILED: $p stayed"; failed=1; fi; done; }

reload="systemctl --system daemon-reload"
sysusers="systemd-sysusers --root=$root tavik.conf"
restart="deb-systemd-invoke try-restart tavik-monitor@*.service"
expect "$sysusers
$reload" postinst configure
expect "$sysusers
$reload
$restart" postinst configure 0.0.9
expect "$reload
$restart" postinst abort-upgrade 0.1
expect "" prerm upgrade 0.2
expect "deb-systemd-invoke stop tavik-monitor@*.service" prerm remove

# What the instances left, and the administrator's links.
mkdir -p "$root/var/lib/tavik/tavik/receivers" "$root/var/log/tavik/north" \
    "$root/var/log/tavik/south" "$root/etc/systemd/system/multi-user.target.wants"
echo "<record/>" >"$root/var/lib/tavik/tavik/receivers/rtl.json"
echo "<results/>" >"$root/var/log/tavik/north/tavik261208.xml"
wants=etc/systemd/system/multi-user.target.wants
ln -s /lib/systemd/system/tavik-monitor@.service "$root/$wants/tavik-monitor@north.service"
ln -s /lib/systemd/system/ssh.service "$root/$wants/ssh.service"
expect "$reload" postrm remove
present var/lib/tavik/tavik/receivers/rtl.json "$wants/tavik-monitor@north.service"
for _ in 1 2; do
    expect "$reload" postrm purge
    absent var/lib/tavik "$wants/tavik-monitor@north.service" var/log/tavik/south
    present var/log/tavik/north/tavik261208.xml "$wants/ssh.service"
done

# Without systemd (a chroot, a container): only the user is made.
rmdir "$root/run/systemd/system"
expect "$sysusers" postinst configure 0.0.9
expect "" prerm remove
expect "" postrm purge
[ $failed -eq 0 ] || exit 1
echo "the maintainer scripts do what dpkg asks of them"
