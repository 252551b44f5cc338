#!/usr/bin/env bash
# The files of --as loaded into the real tools, nft and ipset, inside a
# private network namespace, read back and compared with the merged set;
# then a list of another size and shape loaded over the first; a refused
# feed that leaves the loaded file alone; and the README's iptables recipe
# loaded twice.
#   firewall_test.sh CONVERTER
# Skips (77), saying why, only when a known-good file cannot be loaded here.
set -uo pipefail
convert=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1

skip() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "loading firewall sets needs root (and a network namespace of its own)"
command -v unshare >/dev/null || skip "unshare is not installed"
unshare -n true 2>/dev/null || skip "no network namespace can be made here (unshare -n failed)"

printf 'table inet probe {\n\tset p {\n\t\ttype ipv4_addr\n\t\tflags interval\n\t}\n}\n' >probe.nft
printf 'create probe hash:net family inet\nadd probe 10.0.0.0/8\n' >probe.ipset
have_nft=0 have_ipset=0
command -v nft >/dev/null && unshare -n nft -f probe.nft 2>/dev/null && have_nft=1
command -v ipset >/dev/null && unshare -n sh -c 'ipset restore <probe.ipset' 2>/dev/null && have_ipset=1
[ $have_nft$have_ipset = 00 ] && skip "neither nft nor ipset loads a known-good file here (tools missing or no kernel support)"

failed=0 passed=0
check() {  # check WHAT EXPECTED GOT
  if [ "$2" = "$3" ]; then passed=$((passed + 1))
  else echo "FAILED: $1"; diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head -20; failed=$((failed + 1)); fi
}

# Yesterday's list: both families, a /16, ranges that split, the whole IPv6
# space; today's: another size, the /16 become a /24 inside it, IPv6 gone.
printf '10.20.0.0/16\n192.168.0.0/24\n192.168.1.0/24\n5.6.7.8\n1.2.3.4-1.2.3.200\n::/0 ; the whole space\n' >first.txt
printf '10.20.30.0/24\n203.0.113.0/25\n8.8.8.8\n' >second.txt
for list in first second; do
  "$convert" --merge -f prefix -4 "$list.txt" >"$list.v4"
  "$convert" --merge -f prefix -6 "$list.txt" >"$list.v6"
done

# Members as NETWORK/LENGTH, one a line, sorted.
normalize() { sed 's/^ *//; /^$/d' | awk -v six="$1" '{ if ($0 !~ /\//) $0 = $0 (six ? "/128" : "/32"); print }' | LC_ALL=C sort; }

if [ $have_ipset = 1 ]; then
  "$convert" --as ipset:blk first.txt >first.ipset || { echo "FAILED: --as ipset on the first list"; failed=1; }
  "$convert" --as ipset:blk second.txt >second.ipset || { echo "FAILED: --as ipset on the second list"; failed=1; }
  unshare -n bash -c '
    members() { ipset list "$1" | sed -n "/^Members:/,\$p" | tail -n +2; }
    ipset restore <first.ipset || exit 1
    members blk >got1.v4; members blk6 >got1.v6
    ipset restore <second.ipset || exit 2
    members blk >got2.v4; members blk6 >got2.v6
    ipset list -n | LC_ALL=C sort >sets.txt' || { echo "FAILED: ipset restore refused a file (step $?)"; failed=1; }
  check "ipset, first load, IPv4" "$(LC_ALL=C sort first.v4)" "$(normalize 0 <got1.v4)"
  # ipset has no /0: it holds the whole space as two halves.
  check "ipset, first load, IPv6" "$(printf '8000::/1\n::/1')" "$(normalize 1 <got1.v6)"
  check "ipset, reload, IPv4" "$(LC_ALL=C sort second.v4)" "$(normalize 0 <got2.v4)"
  check "ipset, reload, IPv6 emptied" "" "$(normalize 1 <got2.v6)"
  check "ipset, no set left behind" "$(printf 'blk\nblk6')" "$(cat sets.txt)"
else
  echo "SKIP: ipset does not load a known-good file here; the nft half runs alone"
fi

if [ $have_nft = 1 ]; then
  "$convert" --as nft:fw:blk first.txt >first.nft || { echo "FAILED: --as nft on the first list"; failed=1; }
  "$convert" --as nft:fw:blk second.txt >second.nft || { echo "FAILED: --as nft on the second list"; failed=1; }
  unshare -n bash -c '
    members() { nft list set inet fw "$1" | tr -d "\n\t " | sed -n "s/.*elements={\([^}]*\)}.*/\1/p" | tr "," "\n"; }
    nft -f first.nft || exit 1
    members blk >got1.v4; members blk6 >got1.v6
    nft -f second.nft || exit 2
    members blk >got2.v4; members blk6 >got2.v6' || { echo "FAILED: nft refused a file (step $?)"; failed=1; }
  check "nft, first load, IPv4" "$(LC_ALL=C sort first.v4)" "$(normalize 0 <got1.v4)"
  check "nft, first load, IPv6" "$(LC_ALL=C sort first.v6)" "$(normalize 1 <got1.v6)"
  check "nft, reload, IPv4" "$(LC_ALL=C sort second.v4)" "$(normalize 0 <got2.v4)"
  check "nft, reload, IPv6 emptied" "" "$(normalize 1 <got2.v6)"
  # The nightly recipe's guard: a feed that turns into 0.0.0.0/1 is refused
  # with status 4, and yesterday's file, left as it was, still loads.
  "$convert" --as nft:fw:blk --max-size 8 -o live.nft second.txt
  printf '8.8.8.8\n0.0.0.0/1\n' >bad.txt
  "$convert" --as nft:fw:blk --max-size 8 -o live.nft bad.txt 2>/dev/null
  check "a feed of 0.0.0.0/1 refused under --max-size 8" 4 $?
  unshare -n bash -c '
    nft -f live.nft || exit 1
    nft list set inet fw blk | tr -d "\n\t " | sed -n "s/.*elements={\([^}]*\)}.*/\1/p" | tr "," "\n" >got3.v4' ||
    { echo "FAILED: nft refused the file the guard kept"; failed=1; }
  check "nft, the kept file loads" "$(LC_ALL=C sort second.v4)" "$(normalize 0 <got3.v4)"
else
  echo "SKIP: nft does not load a known-good file here; the ipset half ran alone"
fi

# The README's iptables recipe, loaded twice: the chain holds each network
# once, and INPUT jumps to it once.
if command -v iptables-restore >/dev/null && command -v ip6tables-restore >/dev/null &&
   unshare -n iptables -S INPUT >/dev/null 2>&1; then
  unshare -n bash -c '
    load() {
      for family in 4 6; do
        tables=iptables; [ $family = 6 ] && tables=ip6tables
        { echo "*filter"; echo ":blocklist - [0:0]"; echo "-F blocklist"
          "$0" --merge -$family --line-format "-A blocklist -s {net} -j DROP" "$1"
          echo COMMIT; } > rules.v$family &&
        $tables-restore --noflush < rules.v$family &&
        { $tables -C INPUT -j blocklist 2>/dev/null || $tables -I INPUT -j blocklist; } || return 1
      done
    }
    load first.txt && load first.txt || exit 1
    for tables in iptables ip6tables; do
      $tables -S blocklist | grep -c "^-A blocklist" >>counts.txt
      $tables -S INPUT | grep -c -- "-j blocklist" >>counts.txt
    done
    load second.txt || exit 2
    iptables -S blocklist | grep -c "^-A blocklist" >>counts.txt' "$convert" || { echo "FAILED: iptables-restore refused the recipe (step $?)"; failed=1; }
  check "iptables recipe loaded twice: one rule a network, one jump, either family; then replaced" \
    "$(printf '%s\n' "$(wc -l <first.v4)" 1 "$(wc -l <first.v6)" 1 "$(wc -l <second.v4)")" "$(cat counts.txt 2>/dev/null)"
else
  echo "SKIP: iptables-restore and ip6tables-restore are not installed or do not work here; the iptables recipe is not loaded"
fi

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
