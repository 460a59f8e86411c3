#!/usr/bin/env bash
# Two `tavik monitor --metrics` instances on generated stations, scraped every second by a real
# Prometheus server on 127.0.0.1: after two scrapes of each, Prometheus's HTTP API must return
# the 60-second MPX power of both and the station info with each one's PI. A third serves HTTPS
# (a certificate made here by `openssl req`) to the users of a Prometheus web-config file, and
# Prometheus scrapes it with `scheme: https`, the certificate as its CA and basic_auth. Also
# checks one scrape of the endpoint with `promtool check metrics`.
# Last, every query of the Grafana dashboard, with $site as north, must return data (an alert
# that always fires gives its alerts table something to show).
# Usage: prometheus-fleet.sh TAVIK_EXECUTABLE DASHBOARD
set -euo pipefail
tavik=$1
dashboard=$2
for tool in prometheus promtool curl openssl jq; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool is not installed (scripts/setup installs it): skipped"
        exit 77
    fi
done
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*"
    for f in "$work"/*.out "$work"/prometheus.log; do
        [ -f "$f" ] && { echo "--- $f"; tail -n 20 "$f"; }
    done
    exit 1
}

# Polls `command` every 0.2 s until it succeeds or `seconds` pass.
wait_for() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.2
    done
}

# The port a process printed in "Metrics at http://127.0.0.1:PORT/metrics" (or https).
metrics_port() {
    sed -n 's|^Metrics at https\{0,1\}://127\.0\.0\.1:\([0-9]*\)/metrics$|\1|p' "$work/$1.out"
}

sites=(north south)
pis=(D3A1 D3B2)
ports=()
for i in 0 1; do
    site=${sites[$i]}
    "$tavik" generate "$work/$site" --seconds 4 --pi "${pis[$i]}" --ps "${site^^}" \
        --frequency "10$((i + 1)).5" >/dev/null
    # Ten times real time: the 60-second power is there after about 6 s. North has an alarm, so
    # that the dashboard's alarm panel has a series.
    setup=()
    if [ "$site" = north ]; then
        echo '{"alarms": [{"name": "Overmod", "source": "DEVIATION", "relation": ">",
            "threshold": 75, "unit": "kHz", "delay_s": 0, "action": "LOG ONLY",
            "acknowledge": "NO"}]}' >"$work/setup.json"
        "$tavik" setup write "$work/setup.tvk" "$work/setup.json" || fail "no setup"
        setup=(--setup "$work/setup.tvk" --enable-alarms)
    fi
    "$tavik" monitor "$work/$site" --metrics 127.0.0.1:0 --speed 10 --frequency "10$((i + 1)).5" \
        "${setup[@]}" --quiet >"$work/$site.out" 2>&1 &
    pids+=($!)
done
# The secured site: HTTPS with a self-signed certificate for 127.0.0.1, and one user whose
# bcrypt hash (cost 4, of "scrape-secret") is in Prometheus's own web-config form.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1 -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
cat >"$work/users.yml" <<'YAML'
basic_auth_users:
  prometheus: $2b$04$PNHloCG7Ev1vjj3af3YsUuYp.h6Y4OrecdvYHqwtkEKHrQwQl0lMe
YAML
promtool check web-config "$work/users.yml" >/dev/null 2>&1 || fail "Prometheus refuses the users file"
"$tavik" generate "$work/west" --seconds 4 --pi D3C3 --ps WEST --frequency 103.5 >/dev/null
"$tavik" monitor "$work/west" --metrics 127.0.0.1:0 --metrics-tls "$work/cert.pem,$work/key.pem" \
    --metrics-auth "$work/users.yml" --speed 10 --frequency 103.5 --quiet >"$work/west.out" 2>&1 &
pids+=($!)
has_port() {
    [ -n "$(metrics_port "$1")" ]
}
for site in "${sites[@]}" west; do
    wait_for 30 has_port "$site" || fail "$site did not say where its metrics are"
    ports+=("$(metrics_port "$site")")
done

curl -sf "http://127.0.0.1:${ports[0]}/metrics" >"$work/scrape.txt" || fail "no scrape"
promtool check metrics <"$work/scrape.txt" || fail "promtool check metrics"
code=$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:${ports[0]}/other")
[ "$code" = 404 ] || fail "/other answered $code"
west="https://127.0.0.1:${ports[2]}/metrics"
code=$(curl -s -o /dev/null -w '%{http_code}' --cacert "$work/cert.pem" "$west")
[ "$code" = 401 ] || fail "the secured site answered $code without credentials"
code=$(curl -s -o /dev/null -w '%{http_code}' --cacert "$work/cert.pem" -u prometheus:wrong "$west")
[ "$code" = 401 ] || fail "the secured site answered $code to a wrong password"
curl -sf -o /dev/null "http://127.0.0.1:${ports[2]}/metrics" && fail "the secured site spoke HTTP"

cat >"$work/always.yml" <<'YAML'
groups:
  - name: check
    rules:
      - alert: TavikCheckAlwaysFiring
        expr: up{job="tavik"}
YAML
cat >"$work/prometheus.yml" <<YAML
global:
  scrape_interval: 1s
  scrape_timeout: 1s
  evaluation_interval: 1s
rule_files: ['$work/always.yml']
scrape_configs:
  - job_name: tavik
    static_configs:
      - targets: ['127.0.0.1:${ports[0]}']
        labels: {site: ${sites[0]}}
      - targets: ['127.0.0.1:${ports[1]}']
        labels: {site: ${sites[1]}}
  - job_name: tavik-tls
    scheme: https
    tls_config: {ca_file: '$work/cert.pem'}
    basic_auth: {username: prometheus, password: scrape-secret}
    static_configs:
      - targets: ['127.0.0.1:${ports[2]}']
        labels: {site: west}
YAML
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/data" \
    --web.listen-address=127.0.0.1:0 >"$work/prometheus.log" 2>&1 &
pids+=($!)
prometheus_port() {
    sed -n 's/.*msg="Listening on" address=127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/prometheus.log"
}
prometheus_listens() {
    [ -n "$(prometheus_port)" ]
}
wait_for 30 prometheus_listens || fail "Prometheus did not start"
api="http://127.0.0.1:$(prometheus_port)/api/v1/query"

# The number of series a query returns.
series() {
    curl -sf --get "$api" --data-urlencode "query=$1" | grep -o '"metric":' | wc -l
}
two_series() {
    [ "$(series "$1")" = 2 ]
}
one_series() {
    [ "$(series "$1")" = 1 ]
}
some_series() {
    [ "$(series "$1")" -ge 1 ]
}
wait_for 40 two_series 'count_over_time(up{job="tavik"}[1m]) >= 2' || fail "fewer than two scrapes"
wait_for 50 two_series 'tavik_mpx_power_60s_dbr{job="tavik"}' ||
    fail "no 60-second MPX power from both sites"
for i in 0 1; do
    query="tavik_station_info{site=\"${sites[$i]}\",pi=\"${pis[$i]}\"}"
    wait_for 30 one_series "$query" || fail "no station info with PI ${pis[$i]}"
    query="tavik_station_ps_info{site=\"${sites[$i]}\",ps=\"${sites[$i]^^}\"}"
    wait_for 30 one_series "$query" || fail "no PS ${sites[$i]^^}"
    # The block counters move: every block counts, not only the seconds scraped.
    wait_for 30 one_series "increase(tavik_deviation_blocks_total{site=\"${sites[$i]}\"}[1m]) > 0" ||
        fail "no deviation blocks counted at ${sites[$i]}"
done
wait_for 30 one_series 'tavik_station_info{job="tavik-tls",site="west",pi="D3C3"}' ||
    fail "no station info from the site scraped by HTTPS with basic_auth"

# The dashboard: the site variable's values, then each panel's query for north and every
# station.
values=$(curl -sf --get "http://127.0.0.1:$(prometheus_port)/api/v1/label/site/values" \
    --data-urlencode 'match[]=up{job="tavik"}')
grep -q '"north"' <<<"$values" || fail "the site variable has no north: $values"
[ "$(jq -r '.templating.list[] | select(.name == "site") | .definition' "$dashboard")" = \
    'label_values(up{job="tavik"}, site)' ] || fail "the site variable asks another query"
while IFS= read -r expr; do
    [[ $expr == *'$site'* ]] || fail "a panel's query ignores \$site: $expr"
    query=${expr//\$site/north}
    query=${query//\$station/.*}  # all stations: a single station's series have no label
    wait_for 20 some_series "$query" || fail "no data for the dashboard's $query"
done < <(jq -r '.panels[] | .targets[]? | .expr' "$dashboard")
echo "Prometheus scraped both sites, and the third by HTTPS with basic_auth; every query of the dashboard has data"
