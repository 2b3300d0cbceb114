#!/usr/bin/env bash
# Builds both modules, tovo-cli and the reader's tests with ThreadSanitizer
# in build-tsan/ and runs them: the reader's parallel cases (which compare
# the worker threads with the sequential way), then tests and extractions of
# an archive of small files, and adds of small files and of a file deflated
# in pieces. Fails on any report.
# By hand, under the CPU lock; not part of the test suite.
#
#   bench/tsan.sh [-b BUILD_DIR] [ARCHIVE]
#
# ARCHIVE defaults to one made here (3,000 small files in 30 folders).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-tsan"
if [ "${1:-}" = "-b" ]; then
  build="$(realpath -m "$2")"
  shift 2
fi
archive="${1:-}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="-fsanitize=thread" -DCMAKE_CXX_FLAGS="-fsanitize=thread" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build "$build" -j2 --target tovo_ziprd tovo_zipwr tovo-cli test_ziprd

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Qt is not built with the sanitizer: what happens inside it is not ours to
# judge (the workers never call it).
printf 'called_from_lib:libQt6Core.so.6\n' >"$work/suppressions"
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 suppressions=$work/suppressions"
export QT_QPA_PLATFORM=offscreen

# The reader's parallel cases (events, stops, a damaged entry, a repeated
# name, against the sequential way). The other reader tests start zip, 7z
# and python from the process: the sanitizer's state after those forks
# draws reports on the work queue's hand-offs, with its mutex said to be
# destroyed while held, which a process that forks nothing never shows.
"$build/tests/test_ziprd" --gtest_filter='ReaderParallel.*'

if [ -z "$archive" ]; then
  archive="$work/small.zip"
  python3 - "$archive" <<'EOF'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(3000):
        z.writestr(f"d{i % 30:02d}/f{i:05d}.txt", f"ligne {i}\n" * (i % 200 + 1))
EOF
fi
# One pool per process: these runs must draw no report at all.
for round in 1 2 3; do
  "$build/bin/tovo-cli" test "$archive" >/dev/null
  "$build/bin/tovo-cli" extract "$archive" -d "$work/out$round" >/dev/null
done
# Adding: small files and a file of several pieces, deflated on the workers.
python3 - "$work/tree" <<'EOF'
import os, sys
root = sys.argv[1]
for i in range(2000):
    os.makedirs(f"{root}/d{i % 20:02d}", exist_ok=True)
    with open(f"{root}/d{i % 20:02d}/f{i:05d}.txt", "w") as f:
        f.write(f"ligne {i}\n" * (i % 300 + 1))
with open(f"{root}/grand.txt", "w") as f:
    f.write("".join(f"ligne {i * 7919 % 100003} du grand fichier\n" for i in range(200000)))
EOF
for round in 1 2; do
  (cd "$work" && "$build/bin/tovo-cli" add "$work/new$round.zip" -r -6 tree >/dev/null)
  "$build/bin/tovo-cli" test "$work/new$round.zip" >/dev/null
done
echo "tovo-cli : aucun signalement"
