#!/usr/bin/env bash
# Times a self-extracting program made by tovo-cli sfx against Info-ZIP unzip
# and 7z extracting the same program: a 300 MB file (about 3:1), and 20,000
# small files. Also the conversion against "cat stub archive + zip -A", and
# the stub's size. Best of 3 runs each. Run by hand after a build; never part
# of the test suite.
#
#   bench/run-sfx-bench.sh [BUILD_DIR]     (default: build)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cli="$build/bin/tovo-cli"
stub="$build/bin/Zipsfx32.bin"
[ -x "$cli" ] && [ -f "$stub" ] || { echo "tovo-cli ou Zipsfx32.bin introuvable dans $build/bin" >&2; exit 2; }
for tool in zip unzip 7z python3; do
  command -v "$tool" >/dev/null || { echo "outil manquant : $tool" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tovo-sfx-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
echo "Données dans $work"

python3 - "$work" "$cli" "$stub" <<'PY'
import os
import random
import shutil
import subprocess
import sys
import time

work, cli, stub = sys.argv[1], sys.argv[2], sys.argv[3]
rng = random.Random(1)
words = [("".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))))
         for _ in range(2000)]

def text(n):
    out, size = [], 0
    while size < n:
        w = rng.choice(words)
        out.append(w)
        size += len(w) + 1
    return (" ".join(out))[:n].encode()

def run(args, cwd):
    done = subprocess.run(args, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          stdin=subprocess.DEVNULL)
    if done.returncode != 0:
        sys.exit("échec (%d) : %s" % (done.returncode, " ".join(args)))

def best(args, cwd, before=None, runs=3):
    times = []
    for _ in range(runs):
        if before:
            before()
        start = time.perf_counter()
        run(args, cwd)
        times.append(time.perf_counter() - start)
    return min(times)

def fresh(path):
    def go():
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
    return go

print("Génération des données...", flush=True)
big = os.path.join(work, "big")
os.makedirs(big)
with open(os.path.join(big, "big.bin"), "wb") as f:
    block = text(1 << 20)
    for i in range(300):
        f.write(block[:700000] + os.urandom(1 << 20)[:(1 << 20) - 700000] if i % 3 == 0 else block)
run(["zip", "-qr", "big.zip", "big"], work)
many = os.path.join(work, "many")
for i in range(20000):
    d = os.path.join(many, "d%03d" % (i % 100))
    if i < 100:
        os.makedirs(d)
    with open(os.path.join(d, "f%05d.txt" % i), "wb") as f:
        f.write(text(rng.randint(20, 600)))
run(["zip", "-qr", "many.zip", "many"], work)

def extracted(path):
    return sum(len(files) for _, _, files in os.walk(path))

rows = []
out = os.path.join(work, "out")
for name, label in (("big", "un fichier de 300 Mo"), ("many", "20 000 fichiers")):
    ours = best([cli, "sfx", name + ".zip"], work)
    peer = best(["sh", "-c", 'cat "$0" "$1.zip" > "$1.cat" && zip -qA "$1.cat"', stub, name], work)
    rows.append(("conversion, " + label, ours, peer, None))
    program = os.path.join(work, name + ".EXE")
    ours = best([program, "-d", out, "-o"], work, fresh(out))
    count = extracted(out)
    peer = best(["unzip", "-qo", program, "-d", out], work, fresh(out))
    seven = best(["7z", "x", "-y", "-o" + out, program], work, fresh(out))
    if extracted(out) != count:
        sys.exit("7z et le programme n'ont pas extrait le même nombre de fichiers")
    rows.append(("extraction du programme, " + label, ours, peer, seven))
    print("  %s fait" % label, flush=True)
shutil.rmtree(out, ignore_errors=True)

print()
print("Taille du module Zipsfx32.bin : %d octets (%.0f Kio)" % (os.path.getsize(stub), os.path.getsize(stub) / 1024))
print("Programme de 300 Mo : %d octets de plus que son archive"
      % (os.path.getsize(os.path.join(work, "big.EXE")) - os.path.getsize(os.path.join(work, "big.zip"))))
print()
print("%-48s %10s %13s %10s %11s %9s" % ("opération (meilleur de 3)", "tovo", "Info-ZIP", "7z", "tovo/Info", "tovo/7z"))
for name, a, b, c in rows:
    print("%-48s %9.3fs %12.3fs %10s %11.2f %9s" % (name, a, b, "%.3fs" % c if c else "-", a / b,
                                                    "%.2f" % (a / c) if c else "-"))
print("(Info-ZIP : unzip sur le programme lui-même ; conversion : cat du module et de l'archive puis zip -A)")
print("Fichiers extraits par le programme : vérifiés égaux en nombre à ceux de 7z.")
PY
