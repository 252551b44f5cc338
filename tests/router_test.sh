#!/usr/bin/env bash
# What the router recipes write, loaded where it can be here: blackhole
# routes for ip -batch into the kernel's table inside a private network
# namespace, read back and compared with the fitted set; a BIRD static
# protocol of the same networks, parsed by bird -p.
#   router_test.sh CONVERTER
# Skips (77), saying why, only when neither can be loaded here.
set -uo pipefail
convert=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1

failed=0 passed=0 ran=0
check() {  # check WHAT EXPECTED GOT
  if [ "$2" = "$3" ]; then passed=$((passed + 1))
  else echo "FAILED: $1"; diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head -20; failed=$((failed + 1)); fi
}

# Both families, networks that join, a range that splits, more networks
# than the budgets below: the routes are the fitted set.
printf '10.0.0.0/24\n10.0.1.0/24\n192.0.2.7\n198.51.100.3-198.51.100.9\n203.0.113.77\n2001:db8::/48\n2001:db8:1::1\n2001:db8:2::/64\n' >list.txt
fit=(--merge --max-entries 3 --max-entries6 2)
"$convert" "${fit[@]}" -f prefix -4 list.txt >want.v4 2>/dev/null
"$convert" "${fit[@]}" -f prefix -6 list.txt >want.v6 2>/dev/null
check "the fitted IPv4 set is within its budget" 3 "$(wc -l <want.v4)"
check "the fitted IPv6 set is within its budget" 2 "$(wc -l <want.v6)"

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: loading routes needs root (and a network namespace of its own); the ip -batch recipe is not loaded"
elif ! command -v ip >/dev/null; then
  echo "SKIP: ip (iproute2) is not installed; the ip -batch recipe is not loaded"
elif ! unshare -n ip route add blackhole 192.0.2.0/24 2>/dev/null; then
  echo "SKIP: no network namespace with a route table of its own can be made here (unshare -n ip route failed)"
else
  ran=$((ran + 1))
  for family in 4 6; do
    "$convert" "${fit[@]}" -$family --line-format 'route add blackhole {net}' list.txt >>routes.batch 2>/dev/null
  done
  unshare -n bash -c '
    ip -batch routes.batch || exit 1
    ip -4 route show type blackhole >got.v4; ip -6 route show type blackhole >got.v6' ||
    { echo "FAILED: ip -batch refused the routes"; failed=$((failed + 1)); }
  # "blackhole 10.0.0.0/23 ..." as 10.0.0.0/23, a host with its length.
  routes() { awk -v six="$1" '{ n = $2; if (n !~ /\//) n = n (six ? "/128" : "/32"); print n }' | LC_ALL=C sort; }
  check "ip -batch, IPv4 blackhole routes" "$(LC_ALL=C sort want.v4)" "$(routes 0 <got.v4)"
  check "ip -batch, IPv6 blackhole routes" "$(LC_ALL=C sort want.v6)" "$(routes 1 <got.v6)"
fi

if ! command -v bird >/dev/null; then
  echo "SKIP: bird (Debian's bird2) is not installed; the BIRD recipe is not parsed"
else
  ran=$((ran + 1))
  { echo "router id 192.0.2.1;"
    "$convert" "${fit[@]}" -4 --header $'protocol static blackhole4 {{\n  ipv4;' --line-format '  route {net} blackhole;' \
      --footer '}}' list.txt
    "$convert" "${fit[@]}" -6 --header $'protocol static blackhole6 {{\n  ipv6;' --line-format '  route {net} blackhole;' \
      --footer '}}' list.txt; } >bird.conf 2>/dev/null
  bird -p -c bird.conf >bird.out 2>&1
  check "bird -p parses the static protocols" "0" "$?"
  check "the protocols hold the fitted routes" "$(cat want.v4 want.v6)" "$(sed -n 's/^  route \(.*\) blackhole;$/\1/p' bird.conf)"
  # bird -p does judge what it parses: a route with a wrong length fails.
  sed 's|/32 blackhole;|/33 blackhole;|' bird.conf >broken.conf
  bird -p -c broken.conf >/dev/null 2>&1
  check "bird -p refuses a broken route" "1" "$?"
fi

[ $ran -eq 0 ] && { echo "SKIP: neither recipe could be loaded or parsed here"; exit 77; }
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
