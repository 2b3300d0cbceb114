#!/usr/bin/env bash
# Previewing a 200 MB text entry, 200 MB of short lines (22 million of them)
# and a 50 MB binary entry without line ends in the main window: time from the click to the first lines painted, the
# process's peak memory above its level before the click, and the time until
# the whole file is indexed; next to extracting the same entry with tovo-cli
# and with Info-ZIP unzip, in one run (best of three).
# Usage: bench/gui/run-preview-bench.sh [BUILD_DIR]   (under /work/tools/locked)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
cmake --build "$build" -j2 --target bench_preview tovo tovo-cli >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work" <<'PY'
import os, random, sys
work = sys.argv[1]
rng = random.Random(7)
words = ["le", "café", "coûte", "deux", "euros", "œuvre", "été", "à", "la", "plage", "archive", "fichier",
         "données", "très", "grand", "texte", "ligne", "après", "où", "Noël"]
with open(os.path.join(work, "grand.txt"), "w", encoding="utf-8", newline="\r\n") as f:
    size, n = 0, 0
    while size < 200 * 1024 * 1024:
        line = f"{n:08d} " + " ".join(rng.choice(words) for _ in range(rng.randint(3, 14))) + "\n"
        f.write(line)
        size += len(line.encode("utf-8")) + 1
        n += 1
with open(os.path.join(work, "courtes.txt"), "w") as f:
    for block in range(22 * 1024 * 1024 // 100000 + 1):
        f.write("".join(f"{i % 100000000:08d}\n" for i in range(block * 100000, (block + 1) * 100000)))
with open(os.path.join(work, "binaire.dat"), "wb") as f:
    data = bytes(b for b in rng.randbytes(60 * 1024 * 1024) if b not in (10, 13))
    f.write(data[:50 * 1024 * 1024])
PY
(cd "$work" && for f in grand.txt courtes.txt binaire.dat; do zip -q -6 "${f%.*}.zip" "$f"; done)
source "$here/bench/gui/benchlib.sh"
for entry in grand.txt courtes.txt binaire.dat; do
  archive="$work/${entry%.*}.zip"
  line=""
  firstbest=999999999
  for _ in 1 2 3; do
    out=$(HOME="$work" TMPDIR="$work" "$build/bin/bench_preview" "$build/bin" "$archive" "$entry" 2>/dev/null)
    t=$(sed -n 's/.*first_lines_ms=\([0-9]*\).*/\1/p' <<<"$out")
    if (( t < firstbest )); then firstbest=$t; line=$out; fi
  done
  cli_ms=$(best sh -c "rm -rf '$work/x' && '$build/bin/tovo-cli' extract '$archive' -d '$work/x' -o '$entry'")
  unzip_ms=$(best sh -c "rm -rf '$work/y' && unzip -qo '$archive' '$entry' -d '$work/y'")
  echo "$entry ($(stat -c %s "$work/$entry") bytes)"
  echo "  tovo preview: $line"
  echo "  tovo-cli extract: ${cli_ms} ms   unzip extract: ${unzip_ms} ms"
  python3 -c "print(f'  ratio click-to-first-lines / unzip extract: {$firstbest/$unzip_ms:.2f}')"
done
