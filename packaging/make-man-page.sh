#!/usr/bin/env bash
# Writes the man page tavik.1 from the program's own help: the overview of `tavik --help` and,
# for every command it lists, that command's full help, so the page never drifts from the
# program. Usage: make-man-page.sh TAVIK_EXECUTABLE OUTPUT
set -euo pipefail
tavik=$1
output=$2
include=$(mktemp)
trap 'rm -f "$include"' EXIT

# Help text as roff without filling: backslashes and line-leading dots or quotes escaped.
verbatim() {
    echo ".nf"
    sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
    echo ".fi"
}

commands=$("$tavik" --help | sed -n '/^Subcommands:/,$p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' |
    grep -v '^help$')
{
    echo "[COMMANDS]"
    for command in $commands; do
        echo ".SS tavik $command"
        "$tavik" "$command" --help | verbatim
    done
    cat <<'TEXT'
[GRAPHICAL APPLICATION]
Without a command, \fBtavik\fR opens the application window: \fBtavik\fR,
\fBtavik\fR \fIFILE.tvk\fR, or \fBtavik \-\-start\fR [\fIFILE.tvk\fR] to start measuring at
once, followed by \fB\-\-enable\-alarms\fR, \fB\-\-log\-folder\fR \fIDIR\fR,
\fB\-\-recordings\fR \fIDIR\fR and \fB\-\-metrics\fR \fIADDR:PORT\fR (Prometheus metrics, as
\fBtavik monitor\fR serves them). The window and \fBtavik report\fR \fIRESULT.xml\fR (a day's
report as PDF, drawn with its charts) are \fBtavik\-gui\fR(1), in the package tavik\-gui;
\fBtavik\fR hands these command lines to it.
[RUNNING AS A SERVICE]
The unit \fBtavik\-monitor@.service\fR runs \fBtavik monitor\fR for one site per instance:
the setup \fI/etc/tavik/SITE.tvk\fR, the recordings or receiver and further options from
\fI/etc/tavik/SITE.conf\fR, the result files and logs in \fI/var/log/tavik/SITE\fR.
It tells systemd when the first second is measured and every second after that (watchdog).
With \fB\-\-metrics\fR the monitor serves Prometheus metrics at \fI/metrics\fR.
[FILES]
.TP
.I /etc/tavik/SITE.tvk
the measurement setup of a site
.TP
.I /etc/tavik/SITE.conf
TAVIK_SOURCE and TAVIK_OPTIONS of the site's service
.TP
.I /var/log/tavik/SITE/tavikYYMMDD.xml, tavikYYMMDD.log
the day's result file and text log
[SEE ALSO]
.BR tavik\-gui (1),
.BR systemctl (1),
.BR journalctl (1),
.BR prometheus (1)
TEXT
} >"$include"
help2man --no-info --section 1 --name "FM broadcast monitoring: deviation, MPX power, multipath, RDS" \
    --include "$include" --output "$output" "$tavik"
