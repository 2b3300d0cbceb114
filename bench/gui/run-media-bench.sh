#!/usr/bin/env bash
# Previewing a 24-megapixel JPEG entry and a 2,000-frame GIF entry in the
# main window: time from the click to the picture painted in the pane (best
# of three) and the peak memory above the level before the click; next to
# extracting the entry with Info-ZIP unzip plus decoding it with ImageMagick
# (the first frame of the GIF), in one run.
# Usage: bench/gui/run-media-bench.sh [BUILD_DIR]   (under /work/tools/locked)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
cmake --build "$build" -j2 --target bench_media tovo >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A photo-like picture: gradient, discs and grain, JPEG quality 90.
convert -size 6000x4000 gradient:'#1e5aa0'-'#dcb43c' \
  \( -size 6000x4000 xc:gray50 +noise Gaussian -colorspace gray \) -compose overlay -composite \
  -fill '#c03020' -draw 'circle 1500,1500 1500,2600' -fill '#20a050' -draw 'circle 4200,2400 4200,3500' \
  -quality 90 "$work/photo.jpg"
python3 "$here/bench/gui/makegif.py" "$work/anim.gif" 2000
(cd "$work" && zip -q -0 media.zip photo.jpg anim.gif)
source "$here/bench/gui/benchlib.sh"
for entry in photo.jpg anim.gif; do
  line=""
  shownbest=999999999
  for _ in 1 2 3; do
    out=$(HOME="$work" TMPDIR="$work" "$build/bin/bench_media" "$build/bin" "$work/media.zip" "$entry" 2>/dev/null)
    t=$(sed -n 's/.*click_to_shown_ms=\([0-9]*\).*/\1/p' <<<"$out")
    if (( t < shownbest )); then shownbest=$t; line=$out; fi
  done
  first=$entry
  [ "$entry" = anim.gif ] && first="$entry[0]"
  peer_ms=$(best sh -c "rm -rf '$work/y' && unzip -qo '$work/media.zip' '$entry' -d '$work/y' && convert '$work/y/$first' null:")
  echo "$entry ($(stat -c %s "$work/$entry") bytes, $(identify -format '%wx%h' "$work/$entry[0]"), $(identify "$work/$entry" | wc -l) frame(s))"
  echo "  tovo preview: $line"
  echo "  unzip + ImageMagick decode: ${peer_ms} ms"
  python3 -c "print(f'  ratio click-to-shown / (unzip + decode): {$shownbest/$peer_ms:.2f}')"
done
