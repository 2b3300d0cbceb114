#!/usr/bin/env python3
"""Times tovo-cli (and the window's opening) against Info-ZIP zip/unzip and 7z,
row by row, in one run: every round runs each tool once in turn, the table
gives the median of the rounds, the ratio to the best peer, and the peak
resident size of every tool. Run by hand after a build; never in the tests.

    bench/run-bench.sh [--data DIR] [--runs N] [--build DIR] [--before DIR] [ROW...]

ROW is one of the names printed by --list (default: every row). The data
(about 1.5 GB) is made once in DIR and reused. --before names another
program folder (a copy of build/bin from an older commit) timed in the same
rounds, so a change shows against the code it replaces.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


# --- data -------------------------------------------------------------------

def words(rng):
    return ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
            for _ in range(2000)]


def text(rng, vocabulary, n):
    out, size = [], 0
    while size < n:
        w = rng.choice(vocabulary)
        out.append(w)
        size += len(w) + 1
    return (" ".join(out))[:n].encode()


def quiet(args, cwd):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)


def make_data(data):
    os.makedirs(data, exist_ok=True)
    rng = random.Random(1)
    vocabulary = words(rng)

    # 70,000 small text files in 200 folders.
    if not os.path.exists(os.path.join(data, "many70k.zip")):
        print("données : 70 000 petits fichiers", flush=True)
        tree = os.path.join(data, "many70k")
        shutil.rmtree(tree, ignore_errors=True)
        for i in range(70000):
            d = os.path.join(tree, "d%03d" % (i % 200))
            os.makedirs(d, exist_ok=True)
            with open(os.path.join(d, "f%05d.txt" % i), "wb") as f:
                f.write(text(rng, vocabulary, rng.randint(20, 600)))
        quiet(["zip", "-qr", "many70k.zip", "many70k"], data)
        shutil.rmtree(tree)

    # 40,000 source files: the headers under 16 KiB of /usr/include, cycled.
    tree = os.path.join(data, "small40k")
    if not os.path.exists(os.path.join(data, "small40k.zip")):
        print("données : 40 000 fichiers sources", flush=True)
        shutil.rmtree(tree, ignore_errors=True)
        sources = []
        for top, _, files in os.walk("/usr/include"):
            for name in sorted(files):
                path = os.path.join(top, name)
                if os.path.isfile(path) and not os.path.islink(path) and os.path.getsize(path) < 16384:
                    sources.append(path)
        sources.sort()
        for i in range(40000):
            src = sources[i % len(sources)]
            rel = os.path.relpath(src, "/usr/include")
            dst = os.path.join(tree, "c%d" % (i // len(sources)), rel)
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            shutil.copyfile(src, dst)
        quiet(["zip", "-qrD", "-6", "small40k.zip", "small40k"], data)

    # One file of 300 MB: text with incompressible stretches, about 3:1.
    if not os.path.exists(os.path.join(data, "big300.zip")):
        print("données : un fichier de 300 Mo", flush=True)
        os.makedirs(os.path.join(data, "big"), exist_ok=True)
        with open(os.path.join(data, "big", "big300.bin"), "wb") as f:
            block = text(rng, vocabulary, 1 << 20)
            for i in range(300):
                f.write(block[:700000] + rng.randbytes((1 << 20) - 700000) if i % 3 == 0 else block)
        quiet(["zip", "-qrD", "-6", "big300.zip", "big"], data)

    # The window's row: 100,000 entries as another producer writes them.
    if not os.path.exists(os.path.join(data, "open100k.zip")):
        print("données : archive de 100 000 entrées", flush=True)
        with zipfile.ZipFile(os.path.join(data, "open100k.zip"), "w", zipfile.ZIP_DEFLATED) as z:
            for i in range(100000):
                z.writestr(f"dossier{i // 1000:03d}/fichier{i:06d}.txt", f"contenu {i}\n" * 4)

    # The memory row: 1,000,000 tiny entries.
    if not os.path.exists(os.path.join(data, "million.zip")):
        print("données : archive de 1 000 000 entrées", flush=True)
        with zipfile.ZipFile(os.path.join(data, "million.zip"), "w", zipfile.ZIP_STORED) as z:
            for i in range(1000000):
                z.writestr(f"dossier{i // 1000:04d}/element{i:07d}.txt", b"x")


# --- runs -------------------------------------------------------------------

def run_once(args, cwd, out, before=None):
    """Seconds and peak resident KiB of one run; None on failure. Standard
    output goes to a file, as a saved listing does: a terminal would time the
    terminal, and /dev/null hides what writing the lines costs."""
    if before:
        before()
    listing = os.path.join(out, "stdout.txt")
    rss = os.path.join(out, "rss.txt")
    with open(listing, "wb") as sink:
        start = time.perf_counter()
        # The window as its main() sets it up: bench_open of older commits
        # left the time zone unsettled (every local-time conversion then
        # re-reads the zone file's status), which the program does not.
        env = dict(ENV, TZ=ENV.get("TZ", ":/etc/localtime")) if args[0].endswith("bench_open") else ENV
        done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss] + args, cwd=cwd, stdout=sink,
                              stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, env=env)
        seconds = time.perf_counter() - start
    with open(rss) as f:
        peak = int(f.read().split()[-1])
    if os.path.basename(args[0]) == "bench_open":
        # The window's time is the one it measures itself, start-up excluded.
        with open(listing) as f:
            fields = dict(part.split("=", 1) for part in f.read().split() if "=" in part)
        if fields.get("entries") != "100000" or fields.get("boxes") != "0":
            print("  la fenêtre n'a pas ouvert l'archive : %s" % fields, file=sys.stderr)
            return None
        seconds = int(fields["open_ms"]) / 1000
    code = done.returncode
    ok = code in (0, 1) or (os.path.basename(args[0]) == "zip" and code in (12, 18))
    if not ok:
        print("  échec (%d) : %s" % (code, " ".join(args)), file=sys.stderr)
        return None
    return seconds, peak


def remove(path):
    def go():
        if os.path.exists(path):
            os.remove(path)
        os.sync()
    return go


class Row:
    def __init__(self, name, goal, tools, sizes=None):
        self.name = name
        self.goal = goal        # the ratio tovo / best peer to reach
        self.tools = tools      # [(label, kind, args or [args...], cwd, before)]
        self.sizes = sizes      # label -> archive written, for the add rows


def rows_of(data, cli, before_cli, bin_dir, before_bin, out):
    small = os.path.join(data, "small40k")
    big = os.path.join(data, "big")
    archive = {k: os.path.join(out, k + ".zip") for k in ("tovo", "avant", "zip", "7z")}
    rows = {}

    def tovo(args, cwd=data, before=None):
        tools = [("tovo", "tovo", [cli] + args, cwd, before)]
        if before_cli:
            tools.append(("avant", "tovo", [before_cli] + args, cwd, before))
        return tools

    for key, zipname, count in (("list70k", "many70k.zip", "70 000"), ("list40k", "small40k.zip", "40 000")):
        rows[key] = Row("list, %s entrées" % count, 0.7,
                        tovo(["list", zipname]) +
                        [("unzip -l", "peer", ["unzip", "-l", zipname], data, None),
                         ("unzip -Z1", "peer", ["unzip", "-Z1", zipname], data, None),
                         ("7z l", "peer", ["7z", "l", zipname], data, None)])
    rows["test40k"] = Row("test, 40 000 petites entrées", 0.5,
                          tovo(["test", "small40k.zip"]) +
                          [("unzip -t", "peer", ["unzip", "-tq", "small40k.zip"], data, None),
                           ("7z t", "peer", ["7z", "t", "small40k.zip"], data, None)])
    rows["testbig"] = Row("test, une entrée de 300 Mo", 0.5,
                          tovo(["test", "big300.zip"]) +
                          [("unzip -t", "peer", ["unzip", "-tq", "big300.zip"], data, None),
                           ("7z t", "peer", ["7z", "t", "big300.zip"], data, None)])
    dest = "{dest}"  # a new folder for each run (see measure)
    for key, zipname, name, goal in (("xbig", "big300.zip", "extract, une entrée de 300 Mo", 0.5),
                                     ("x40k", "small40k.zip", "extract, 40 000 fichiers", 0.7)):
        rows[key] = Row(name, goal,
                        tovo(["extract", zipname, "-d", dest]) +
                        [("unzip", "peer", ["unzip", "-q", zipname, "-d", dest], data, None),
                         ("7z x", "peer", ["7z", "x", "-o" + dest, zipname], data, None)])
    for key, cwd, what, name in (("add40k", data, "small40k", "add -6, 40 000 fichiers"),
                                 ("addbig", big, "big300.bin", "add -6, un fichier de 300 Mo")):
        tools = [("tovo", "tovo", [cli, "add", archive["tovo"], "-r", "-6", what], cwd, remove(archive["tovo"]))]
        if before_cli:
            tools.append(("avant", "tovo", [before_cli, "add", archive["avant"], "-r", "-6", what], cwd,
                          remove(archive["avant"])))
        tools.append(("zip -6", "peer", ["zip", "-qrD", "-6", archive["zip"], what], cwd, remove(archive["zip"])))
        tools.append(("7z -mx5", "info", ["7z", "a", "-tzip", "-mx=5", archive["7z"], what], cwd,
                      remove(archive["7z"])))
        rows[key] = Row(name, 0.5, tools, sizes=archive)
    opener = os.path.join(bin_dir, "bench_open")
    tools = [("tovo", "tovo", [opener, bin_dir, os.path.join(data, "open100k.zip")], data, None)]
    if before_bin:
        tools.append(("avant", "tovo", [os.path.join(before_bin, "bench_open"), before_bin,
                                        os.path.join(data, "open100k.zip")], data, None))
    tools.append(("unzip -t + -l", "peer",
                  ["sh", "-c", "unzip -tq open100k.zip >/dev/null && unzip -l open100k.zip >/dev/null"], data, None))
    rows["open100k"] = Row("fenêtre : ouvrir 100 000 entrées", 0.5, tools)
    rows["list1m"] = Row("list, 1 000 000 entrées", 0.7,
                         tovo(["list", "million.zip"]) +
                         [("unzip -Z1", "peer", ["unzip", "-Z1", "million.zip"], data, None),
                          ("7z l", "peer", ["7z", "l", "million.zip"], data, None)])
    return rows


# Creating files right after tens of thousands were deleted makes ext4's
# inode allocator skip every recently freed inode (seconds of system time per
# run, growing from run to run, for every tool alike, that a user extracting
# once never pays). As root, each extraction run writes into a new ext4 file
# system on a loop device, made and mounted before the run and unmounted
# after it (outside the time); otherwise each run writes into a new folder,
# the folders go after the row, and a row starts this long after the last
# deletion.
RECENTLY_DELETED = 35
# The window reads and writes its settings under HOME: a private one leaves
# the user's alone.
ENV = dict(os.environ, HOME=tempfile.mkdtemp(prefix="tovo-bench-home."))
last_deletion = time.time()  # whatever ran before the bench


class FreshFileSystem:
    def __init__(self, out):
        self.image = os.path.join(out, "fs.img")
        self.mount = os.path.join(out, "mnt")
        self.usable = os.geteuid() == 0 and shutil.which("mkfs.ext4") is not None

    def make(self):
        """A new empty file system; returns the folder to extract into."""
        self.drop()
        os.makedirs(self.mount, exist_ok=True)
        with open(self.image, "wb") as f:
            f.truncate(1 << 30)
        quiet(["mkfs.ext4", "-q", "-F", "-N", "120000", "-E", "lazy_itable_init=0,lazy_journal_init=0",
               self.image], None)
        quiet(["mount", "-o", "loop", self.image, self.mount], None)
        return os.path.join(self.mount, "x")

    def drop(self):
        if os.path.ismount(self.mount):
            quiet(["umount", self.mount], None)
        if os.path.exists(self.image):
            os.remove(self.image)


def measure(row, runs, out):
    global last_deletion
    results = {label: [] for label, *_ in row.tools}
    extracting = any("{dest}" in a for _, _, args, *_ in row.tools for a in args)
    fs = FreshFileSystem(out)
    if extracting and not fs.usable:
        time.sleep(max(0.0, last_deletion + RECENTLY_DELETED - time.time()))
    folders = []
    try:
        for _ in range(runs):
            for label, _, args, cwd, before in row.tools:
                if extracting:
                    folder = fs.make() if fs.usable else os.path.join(out, "x%d" % len(folders))
                    folders.append(folder)
                    args = [a.replace("{dest}", folder) for a in args]
                os.sync()  # no write-back of the last run during this one
                got = run_once(args, cwd, out, before)
                if got:
                    results[label].append(got)
    finally:
        fs.drop()
    if extracting and not fs.usable:
        for folder in folders:
            shutil.rmtree(folder, ignore_errors=True)
        os.sync()
        last_deletion = time.time()
    return results


def report(row, results):
    print("\n== %s (objectif tovo / meilleur pair ≤ %.1f)" % (row.name, row.goal))
    medians = {label: statistics.median(t for t, _ in r) for label, r in results.items() if r}
    peers = [label for label, kind, *_ in row.tools if kind == "peer" and label in medians]
    best = min(peers, key=lambda p: medians[p]) if peers else None
    for label, kind, *_ in row.tools:
        r = results[label]
        if not r:
            print("  %-16s échec" % label)
            continue
        times = sorted(t for t, _ in r)
        line = "  %-16s %8.3f s  (%s)  pic %6.1f Mo" % (
            label, medians[label], " ".join("%.3f" % t for t in times), max(m for _, m in r) / 1024)
        if kind == "tovo" and best:
            line += "  ratio/%s %.2f" % (best, medians[label] / medians[best])
        print(line, flush=True)
    if row.sizes:
        sizes = {k: os.path.getsize(p) for k, p in row.sizes.items() if os.path.exists(p)}
        if "zip" in sizes:
            print("  tailles : " + ", ".join("%s %.2f Mo (%.4f de zip)" % (k, v / 1e6, v / sizes["zip"])
                                           for k, v in sizes.items()))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--data", default=os.environ.get("TOVO_BENCH_DATA", "/tmp/tovo-bench-data"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--before", default="")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("rows", nargs="*")
    args = parser.parse_args()
    bin_dir = os.path.join(os.path.abspath(args.build), "bin")
    cli = os.path.join(bin_dir, "tovo-cli")
    before_bin = os.path.abspath(args.before) if args.before else ""
    before_cli = os.path.join(before_bin, "tovo-cli") if before_bin else ""
    for tool in ("zip", "unzip", "7z"):
        if not shutil.which(tool):
            sys.exit("outil manquant : " + tool)
    out = os.path.join(args.data, "out")
    rows = rows_of(args.data, cli, before_cli, bin_dir, before_bin, out)
    if args.list:
        print("\n".join("%-9s %s" % (k, r.name) for k, r in rows.items()))
        return
    wanted = args.rows or list(rows)
    unknown = [w for w in wanted if w not in rows]
    if unknown:
        sys.exit("ligne inconnue : " + ", ".join(unknown))
    make_data(args.data)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    print("médianes de %d passes, sortie standard dans un fichier, pics de mémoire résidente" % args.runs)
    for key in wanted:
        report(rows[key], measure(rows[key], args.runs, out))
    shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    main()
