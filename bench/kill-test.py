#!/usr/bin/env python3
"""Kills tovo-cli with SIGKILL at random moments of add, freshen, delete and
repair on a 50 MB archive, and checks what each kill left.

    bench/kill-test.py [BUILD_DIR] [--kills N] [--seed S]

For each command, its duration is measured on an unkilled run, then the
command is started N/4 times on a fresh copy of the archive and killed at a
moment drawn uniformly over 1.1 times that duration. After each kill the
archive must be byte-identical to before, or (past the rename) the complete
new archive: same listing as the unkilled run's, testing clean. Temporary
files left beside it must be recognisable by name (".NAME.tovo-..."), and
the next write command on the archive must remove them.
Run by hand after a build, under the CPU lock; never part of the tests.
"""
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

args = sys.argv[1:]
kills = 100
seed = 17
build = None
while args:
    a = args.pop(0)
    if a == "--kills":
        kills = int(args.pop(0))
    elif a == "--seed":
        seed = int(args.pop(0))
    else:
        build = a
root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
cli = os.path.join(os.path.abspath(build or os.path.join(root, "build")), "bin", "tovo-cli")
rng = random.Random(seed)
work = tempfile.mkdtemp(prefix="tovo-kill-")
src = os.path.join(work, "sources")
os.makedirs(src)


def tovo(*a, check=True):
    done = subprocess.run([cli, *a], cwd=src, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if check and done.returncode != 0:
        sys.exit("tovo-cli %s : %d %s" % (" ".join(a), done.returncode, done.stderr.decode()))
    return done


def listing(path):
    done = tovo("list", path, check=False)
    return done.returncode, sorted(line.split("\t")[3] + ":" + line.split("\t")[0]
                                   for line in done.stdout.decode().splitlines())


def tests_clean(path):
    return tovo("test", path, check=False).returncode == 0


temporary = re.compile(r"^\.(a|r)\.zip\.tovo-[0-9a-z]+$")
# tovo-cli fix keeps the damaged archive as NAME.zip.bak (a second link)
# while the repair runs, and removes it after: a kill leaves it, on purpose.
backup = re.compile(r"^r\.zip(\.[0-9]+)?\.bak$")


def leftovers(folder):
    names = [n for n in os.listdir(folder) if n not in ("a.zip", "r.zip")]
    temps = [n for n in names if temporary.match(n)]
    backups = [n for n in names if backup.match(n)]
    odd = [n for n in names if n not in temps and n not in backups]
    return temps, backups, odd


print("Données dans", work, flush=True)
for i in range(40):
    with open(os.path.join(src, "f%02d.bin" % i), "wb") as f:
        f.write(rng.randbytes(1250 * 1024))
with open(os.path.join(src, "nouveau.bin"), "wb") as f:
    f.write(rng.randbytes(10 * 1024 * 1024))
original = os.path.join(work, "original.zip")
tovo("add", original, *["f%02d.bin" % i for i in range(40)])
damaged = os.path.join(work, "damaged.zip")
with open(original, "rb") as f:
    data = f.read()
with open(damaged, "wb") as f:
    f.write(data[: data.find(b"PK\x01\x02")])
for i in range(0, 40, 8):  # newer on disk: freshened
    path = os.path.join(src, "f%02d.bin" % i)
    with open(path, "r+b") as f:
        f.write(b"modifie")
    later = time.time() + 3600
    os.utime(path, (later, later))
print("archive : %.1f Mo, %d entrées" % (os.path.getsize(original) / 1e6, 40), flush=True)

commands = [
    ("ajout", "a.zip", original, ["add", "{}", "nouveau.bin"]),
    ("actualisation", "a.zip", original, ["freshen", "{}"]),
    ("suppression", "a.zip", original, ["delete", "{}", "f01.bin", "f02.bin", "f03.bin"]),
    ("réparation", "r.zip", damaged, ["fix", "{}"]),
]
print("%-14s %6s %6s %9s %9s %8s %12s %9s %7s" % ("commande", "durée", "tuées", "intactes", "complètes", "perdues",
                                                    "temporaires", "restants", ".bak"))
totals = [0, 0, 0, 0]
for name, archive_name, start, template in commands:
    folder = os.path.join(work, name)
    os.makedirs(folder)
    archive = os.path.join(folder, archive_name)
    argv = [a.replace("{}", archive) for a in template]
    with open(start, "rb") as f:
        before = f.read()
    # The unkilled run: its duration and its result.
    shutil.copyfile(start, archive)
    t0 = time.monotonic()
    tovo(*argv, check=False)
    duration = time.monotonic() - t0
    expected = listing(archive)
    if expected[0] != 0 or not tests_clean(archive):
        sys.exit("%s : la commande non interrompue n'a pas abouti" % name)
    intact = complete = lost = 0
    seen = set()
    count = kills // len(commands)
    for k in range(count):
        shutil.copyfile(start, archive)
        delay = rng.uniform(0, duration * 1.1)
        p = subprocess.Popen([cli, *argv], cwd=src, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(delay)
        p.send_signal(signal.SIGKILL)
        p.wait()
        with open(archive, "rb") as f:
            after = f.read()
        if after == before:
            intact += 1
        elif listing(archive) == expected and tests_clean(archive):
            complete += 1
        else:
            lost += 1
            shutil.copyfile(archive, os.path.join(work, "perdue-%s-%d.zip" % (name, k)))
        temps, _, odd = leftovers(folder)
        seen.update(temps)
        if odd:
            sys.exit("%s : fichiers non reconnaissables laissés : %s" % (name, odd))
    # The next write command removes what the killed ones left (once they
    # are two seconds old: younger ones might still be in their creator's
    # hands).
    time.sleep(2.5)
    shutil.copyfile(start, archive)
    tovo(*argv, check=False)
    remaining, backups, _ = leftovers(folder)
    print("%-14s %5.2fs %6d %9d %9d %8d %12d %9d %7d" % (name, duration, count, intact, complete, lost, len(seen),
                                                          len(remaining), len(backups)), flush=True)
    totals[0] += count
    totals[1] += intact + complete
    totals[2] += lost
    totals[3] += len(remaining)
print("total : %d/%d archives intactes ou complètes, %d perdue(s), %d temporaire(s) restant(s) après la "
      "commande suivante" % (totals[1], totals[0], totals[2], totals[3]))
shutil.rmtree(work)
sys.exit(0 if totals[2] == 0 and totals[3] == 0 else 1)
