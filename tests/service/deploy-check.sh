#!/usr/bin/env bash
# The fleet examples of deploy/: the alert rules pass `promtool check rules` and their own
# `promtool test rules` cases, the scrape configuration `promtool check config`, and the
# Grafana dashboard is JSON whose panels query only metrics the monitor serves, each for $site.
# Usage: deploy-check.sh SOURCE_FOLDER
set -euo pipefail
deploy=$1/deploy
exposition=$1/metrics/MetricsText.cpp
if ! command -v promtool >/dev/null; then
    echo "promtool is not installed (scripts/setup installs prometheus): skipped"
    exit 77
fi
cd "$deploy/prometheus"
promtool check rules tavik-alerts.yml
promtool test rules tavik-alerts.test.yml
promtool check config --syntax-only prometheus.yml
dashboard=$deploy/grafana/tavik-fleet.json
json_pp <"$dashboard" >/dev/null
# Every panel's query follows the site chosen, and every one but the targets' `up` the station
# (the live queries are run by prometheus-fleet.sh).
if command -v jq >/dev/null; then
    while IFS= read -r expr; do
        [[ $expr == *'site=~"$site"'* ]] || { echo "a panel's query ignores \$site: $expr"; exit 1; }
        [[ $expr == up* || $expr == *'frequency_mhz=~"$station"'* ]] ||
            { echo "a panel's query ignores \$station: $expr"; exit 1; }
    done < <(jq -r '.panels[] | .targets[]? | .expr' "$dashboard")
fi
# Every tavik_ metric the rules or the dashboard name must be one the exposition writes.
known=$(grep -o '"tavik_[a-z0-9_]*"' "$exposition" | tr -d '"' | sort -u)
[ -n "$known" ] || { echo "no metric names in $exposition"; exit 1; }
for name in $(grep -oh 'tavik_[a-z0-9_]*' tavik-alerts.yml "$dashboard" | sort -u); do
    if ! grep -qx "$name" <<<"$known"; then
        echo "unknown metric $name in the rules or the dashboard"
        exit 1
    fi
done
echo "the deploy examples check"
