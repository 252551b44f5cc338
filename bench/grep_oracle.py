#!/usr/bin/env python3
"""--grep on an IPv6 log against Python's ipaddress: the same lines, or exit 1.

    bench/grep_oracle.py [CONVERTER]

2,000 random IPv6 networks as the set, 100,000 log lines, half of them from
inside the set. The converter defaults to build/release/cli/orvane-convert.
"""
import bisect, ipaddress, os, random, subprocess, sys, tempfile

convert = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '../build/release/cli/orvane-convert')
random.seed(5)
nets = []
for _ in range(2000):
    prefix = random.randint(32, 120)
    nets.append(ipaddress.IPv6Network((random.getrandbits(128) >> (128 - prefix) << (128 - prefix), prefix)))
lines = []
for i in range(100000):
    if i % 2:
        net = random.choice(nets)
        address = ipaddress.IPv6Address(int(net.network_address) + random.getrandbits(128 - net.prefixlen))
    else:
        address = ipaddress.IPv6Address(random.getrandbits(128))
    lines.append(f'{address} - - [09/Dec/2026:10:11:12 +0000] "GET / HTTP/1.1" 200 {i} "-" "curl/8.5.0"\n')
# The union as sorted disjoint intervals, for the oracle's lookups.
spans = sorted((int(n.network_address), int(n.broadcast_address)) for n in nets)
merged = []
for first, last in spans:
    if merged and first <= merged[-1][1] + 1:
        merged[-1][1] = max(merged[-1][1], last)
    else:
        merged.append([first, last])
starts = [first for first, _ in merged]
def inside(address):
    k = bisect.bisect_right(starts, address) - 1
    return k >= 0 and merged[k][1] >= address
expected = ''.join(l for l in lines if inside(int(ipaddress.IPv6Address(l.split(' ', 1)[0]))))
with tempfile.TemporaryDirectory() as scratch:
    with open(os.path.join(scratch, 'set.txt'), 'w') as f:
        f.writelines(str(n) + '\n' for n in nets)
    with open(os.path.join(scratch, 'log.txt'), 'w') as f:
        f.writelines(lines)
    got = subprocess.run([convert, '--grep', os.path.join(scratch, 'set.txt'), os.path.join(scratch, 'log.txt')],
                         capture_output=True, text=True).stdout
print(f'{expected.count(chr(10))} lines expected, {got.count(chr(10))} written:', 'the same' if got == expected else 'DIFFERENT')
sys.exit(0 if got == expected else 1)
