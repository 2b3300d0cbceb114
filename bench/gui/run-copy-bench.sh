#!/usr/bin/env bash
# Copying a 300 MB archive with the main window's copy button, next to `cp`
# of the same file in the same run, and to `cp` followed by a flush of the
# copy (`sync FILE`), which is what Tovo's copy guarantees before it replaces
# anything. Best of three; the target is removed and the disk flushed before
# each run.
# Usage: bench/gui/run-copy-bench.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
cmake --build "$build" -j2 --target bench_copy tovo >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/tovo-copy-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/cible"
python3 - "$work/grosse.zip" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED, allowZip64=True) as z:
    for i in range(30):
        z.writestr(f"bloc{i:02d}.bin", os.urandom(10 * 1024 * 1024))
PY
target="$work/cible/grosse.zip"
fresh() { rm -f "$target"; sync; }
ms() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N); echo $(( (e - s) / 1000000 )); }
tovo=999999; cp_ms=999999; cps=999999
for _ in 1 2 3; do
  fresh
  t=$("$build/bin/bench_copy" "$build/bin" "$work/grosse.zip" "$work/cible" 2>/dev/null | sed -n 's/.*copy_ms=\([0-9]*\) done=1.*/\1/p')
  [ -n "$t" ] || { echo "la copie par Tovo a échoué" >&2; exit 1; }
  cmp -s "$work/grosse.zip" "$target" || { echo "copie différente de l'original" >&2; exit 1; }
  (( t < tovo )) && tovo=$t
  fresh; t=$(ms cp "$work/grosse.zip" "$target"); (( t < cp_ms )) && cp_ms=$t
  fresh; t=$(ms sh -c "cp '$work/grosse.zip' '$target' && sync '$target'"); (( t < cps )) && cps=$t
done
echo "size: $(stat -c %s "$work/grosse.zip") bytes"
echo "tovo CopyZipClick (flushed): ${tovo} ms"
echo "cp:                          ${cp_ms} ms"
echo "cp + sync FILE:              ${cps} ms"
python3 -c "print(f'ratio tovo/cp: {$tovo/$cp_ms:.2f}   ratio tovo/(cp + sync): {$tovo/$cps:.2f}')"
