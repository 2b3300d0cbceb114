#!/usr/bin/env bash
# Opening a 100,000-entry archive in the main window (test + list + filled
# list), next to `unzip -t` plus `unzip -l` on the same file, in one run,
# with the window's peak memory.
# Usage: bench/gui/run-open-bench.sh [BUILD_DIR] [ENTRIES]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
entries=${2:-100000}
cmake --build "$build" -j2 --target bench_open tovo >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/big.zip" "$entries" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, allowZip64=True) as z:
    for i in range(int(sys.argv[2])):
        z.writestr(f"dossier{i // 1000:03d}/fichier{i:06d}.txt", f"contenu {i}\n" * 4)
PY
source "$here/bench/gui/benchlib.sh"
gui=999999999
peak=0
for _ in 1 2 3; do
  line=$("$build/bin/bench_open" "$build/bin" "$work/big.zip" 2>/dev/null)
  t=$(sed -n 's/.*open_ms=\([0-9]*\).*/\1/p' <<<"$line")
  p=$(sed -n 's/.*peak_kib=\([0-9]*\).*/\1/p' <<<"$line")
  (( t < gui )) && gui=$t
  (( p > peak )) && peak=$p
done
unzip_ms=$(best sh -c "unzip -tq '$work/big.zip' && unzip -l '$work/big.zip'")
echo "entries: $entries ($(( $(stat -c %s "$work/big.zip") / 1048576 )) MiB)"
echo "tovo open (test + list + filled list): ${gui} ms"
echo "unzip -t + unzip -l:                   ${unzip_ms} ms"
python3 -c "print(f'ratio tovo/unzip: {$gui/$unzip_ms:.2f}')"
echo "tovo peak memory:                     $(( peak / 1024 )) MiB"
