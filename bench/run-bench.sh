#!/usr/bin/env bash
# Times tovo-cli against Info-ZIP unzip/zip and 7z on data it generates:
# list, test and extract of a 70,000-entry archive, extract of a 300 MB file,
# and an add at level 6 of a source-tree-like folder. Best of 3 runs each;
# prints the times side by side with the ratios and the compressed sizes.
# Run by hand after a build; never part of the test suite.
#
#   bench/run-bench.sh [BUILD_DIR]     (default: build)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cli="$build/bin/tovo-cli"
[ -x "$cli" ] || { echo "tovo-cli introuvable : $cli (construire d'abord)" >&2; exit 2; }
for tool in zip unzip 7z python3; do
  command -v "$tool" >/dev/null || { echo "outil manquant : $tool" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tovo-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
echo "Données dans $work"

python3 - "$work" "$cli" <<'PY'
import os
import random
import shutil
import subprocess
import sys
import time

work, cli = sys.argv[1], sys.argv[2]
rng = random.Random(1)
words = [("".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))))
         for _ in range(2000)]

def text(n):
    out = []
    size = 0
    while size < n:
        w = rng.choice(words)
        out.append(w)
        size += len(w) + 1
    return (" ".join(out))[:n].encode()

def run(args, cwd):
    # Warnings are fine (a dangling symbolic link in the tree, say); errors are not.
    done = subprocess.run(args, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          stdin=subprocess.DEVNULL)
    warnings = {"zip": (12, 18), "7z": (1,)}.get(os.path.basename(args[0]), (1,))
    if done.returncode != 0 and done.returncode not in warnings:
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

def remove(path):
    def go():
        if os.path.exists(path):
            os.remove(path)
    return go

# --- data -------------------------------------------------------------------
print("Génération des données...", flush=True)
many = os.path.join(work, "many")
for i in range(70000):
    d = os.path.join(many, "d%03d" % (i % 200))
    if i < 200:
        os.makedirs(d)
    with open(os.path.join(d, "f%05d.txt" % i), "wb") as f:
        f.write(text(rng.randint(20, 600)))
run(["zip", "-qr", "many.zip", "many"], work)

big = os.path.join(work, "big")
os.makedirs(big)
with open(os.path.join(big, "big.bin"), "wb") as f:
    block = text(1 << 20)
    for i in range(300):
        # Text with some incompressible stretches, about 3:1 overall.
        f.write(block[:700000] + os.urandom(1 << 20)[:(1 << 20) - 700000] if i % 3 == 0 else block)
run(["zip", "-qr", "big.zip", "big"], work)

tree = os.path.join(work, "tree")
shutil.copytree("/usr/include", os.path.join(tree, "include"), symlinks=True)

# --- runs -------------------------------------------------------------------
rows = []
def row(name, ours, peer, seven, sizes=""):
    rows.append((name, ours, peer, seven, sizes))
    print("  %-34s fait" % name, flush=True)

out = os.path.join(work, "out")
row("list, 70 000 entrées",
    best([cli, "list", "many.zip"], work),
    best(["unzip", "-l", "many.zip"], work),
    best(["7z", "l", "many.zip"], work))
row("test, 70 000 entrées",
    best([cli, "test", "many.zip"], work),
    best(["unzip", "-tq", "many.zip"], work),
    best(["7z", "t", "many.zip"], work))
row("extract, 70 000 entrées",
    best([cli, "extract", "many.zip", "-d", out], work, fresh(out)),
    best(["unzip", "-q", "many.zip", "-d", out], work, fresh(out)),
    best(["7z", "x", "-o" + out, "many.zip"], work, fresh(out)))
row("extract, un fichier de 300 Mo",
    best([cli, "extract", "big.zip", "-d", out], work, fresh(out)),
    best(["unzip", "-q", "big.zip", "-d", out], work, fresh(out)),
    best(["7z", "x", "-o" + out, "big.zip"], work, fresh(out)))
shutil.rmtree(out, ignore_errors=True)

archives = {k: os.path.join(work, k + ".zip") for k in ("ours", "zip", "7z")}
ours = best([cli, "add", archives["ours"], "-r", "-6", "include"], tree, remove(archives["ours"]))
peer = best(["zip", "-qrD", "-6", archives["zip"], "include"], tree, remove(archives["zip"]))
seven = best(["7z", "a", "-tzip", "-mx=5", archives["7z"], "include"], tree, remove(archives["7z"]))
def entries(path):
    listing = subprocess.run(["unzip", "-Z1", path], capture_output=True, check=True).stdout
    return len(listing.splitlines())
sizes = ", ".join("%s %.2f Mo (%d entrées)" % (k, os.path.getsize(archives[k]) / 1e6, entries(archives[k]))
                  for k in ("ours", "zip", "7z"))
row("add -6, copie de /usr/include", ours, peer, seven, sizes)

# --- table ------------------------------------------------------------------
print()
print("%-34s %10s %12s %10s %12s %9s  %s" % ("opération (meilleur de 3)", "tovo-cli", "unzip / zip", "7z",
                                           "tovo/Info", "tovo/7z", "tailles"))
for name, a, b, c, sizes in rows:
    print("%-34s %9.3fs %11.3fs %9.3fs %12.2f %9.2f  %s" % (name, a, b, c, a / b, a / c, sizes))
PY
