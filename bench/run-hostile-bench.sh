#!/usr/bin/env bash
# Times and weighs tovo-cli on crafted hostile archives against Info-ZIP and
# 7z: the harder repair of 2.5 MB and 10 MB of local headers whose data
# descriptors never come, the harder repair of 1.1 MB of overlapping central
# records that each claim three 64 KiB fields, the harder repair of 2 MB of
# local headers that each claim the rest of the file, and the listing of a sparse
# 3 GiB file whose end record declares a directory of nearly that size.
# Prints seconds and peak resident size (the whole process, MiB) per tool;
# with a second build folder, the same for that build (before/after).
# Run by hand after a build; never part of the test suite.
#
#   bench/run-hostile-bench.sh [BUILD_DIR [OTHER_BUILD_DIR]]   (default: build)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
other="${2:-}"
for tool in zip unzip 7z python3; do
  command -v "$tool" >/dev/null || { echo "outil manquant : $tool" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tovo-hostile.XXXXXX")"
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$build/bin/tovo-cli" "${other:+$other/bin/tovo-cli}" <<'PY'
import os, shutil, struct, subprocess, sys, zlib

work, cli, other = sys.argv[1], sys.argv[2], sys.argv[3]
TIMEOUT = 600

def local_header(name, data, flags=0):
    return struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, flags, 0, 0, 0x21, zlib.crc32(data),
                       len(data), len(data), len(name), 0) + name + data

def write(name, data):
    path = os.path.join(work, name)
    with open(path, 'wb') as f:
        f.write(data)
    return path

inputs = {}
header = local_header(b'a', b'', flags=8)  # sizes in a data descriptor that never comes
inputs['descriptors-2.5'] = write('d25.zip', header * (2500000 // len(header)))
inputs['descriptors-10'] = write('d10.zip', header * (10000000 // len(header)))
records = [local_header(b'x', b'x')]
for i in range(1100000 // 40):
    records.append(struct.pack('<I', 0x02014b50) + b'\xff' * 30 + struct.pack('<IH', i, 0))
inputs['central-1.1'] = write('c11.zip', b''.join(records))
claims = [local_header(b'a', b'')[:18] + struct.pack('<IIHH', rest, rest, 1, 0) + b'a'
          for rest in range(31 * 64000, -1, -31)]  # each declares the rest of the file as its data
inputs['claims-2'] = write('r2.zip', b''.join(claims))
size = 3 << 30
sparse = os.path.join(work, 'sparse.zip')
with open(sparse, 'wb') as f:
    f.write(struct.pack('<I24xH16x', 0x02014b50, 1) + b'x')
    f.seek(size - 22)
    f.write(struct.pack('<IIHHIIH', 0x06054b50, 0, 1, 1, size - 22, 0, 0))

def measure(args, feed=None):
    """Seconds and peak resident MiB of one run, through /usr/bin/time so that
    the peak is the tool's own and not this script's."""
    report = os.path.join(work, 'time.txt')
    try:
        subprocess.run(['/usr/bin/time', '-f', '%e %M', '-o', report] + args, cwd=work, input=feed or b'',
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return '> %d s' % TIMEOUT, '-'
    seconds, kib = open(report).read().split()[-2:]
    return '%s s' % seconds, '%.1f Mio' % (int(kib) / 1024)

def repair(tool, name):
    copy = os.path.join(work, 'copy.zip')
    shutil.copyfile(inputs[name], copy)
    if tool == 'zip':
        return measure(['zip', '-FF', copy, '--out', os.path.join(work, 'fixed.zip')], b'y\ne\ne\n')
    return measure([tool, 'fix', copy, '--harder'])

tools = [('tovo-cli', cli)] + ([('tovo-cli (autre)', other)] if other else [])
rows = []
for name in ('descriptors-2.5', 'descriptors-10', 'central-1.1', 'claims-2'):
    for label, program in tools:
        rows.append(('-FF ' + name + ' Mo', label) + repair(program, name))
    rows.append(('-FF ' + name + ' Mo', 'zip -FF') + repair('zip', name))
for label, program in tools:
    rows.append(('list, 3 Gio creux', label) + measure([program, 'list', sparse]))
rows.append(('list, 3 Gio creux', 'unzip -l') + measure(['unzip', '-l', sparse]))
rows.append(('list, 3 Gio creux', '7z l') + measure(['7z', 'l', sparse]))
print('%-26s %-18s %10s %10s' % ('cas', 'outil', 'temps', 'mémoire'))
for case, label, seconds, memory in rows:
    print('%-26s %-18s %10s %10s' % (case, label, seconds, memory))
PY
