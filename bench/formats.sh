#!/usr/bin/env bash
# Saving a 12-megapixel photo in each format: kirabox-batch from a BMP beside
# each library's own tool from the same pixels (cjpeg, ImageMagick's convert
# for PNG, tiffcp, cwebp), at the same settings. Then opening each: ours
# reads the file and writes a BMP, beside the tool that decodes it to an
# uncompressed file (djpeg, convert, tiffcp -c none, dwebp, heif-convert to
# Y4M). Both sides read an
# uncompressed picture and write the file, so each time is a whole run:
# reading the 36 MB input costs either side about the same. Prints a table of
# the best of ROUNDS (default 3) wall-clock times and the file sizes.
#   bench/formats.sh [KIRABOX_BATCH]
# KIRABOX_BATCH defaults to build/release/kirabox-batch; the tools come from
# scripts/bench-deps.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
batch="$(realpath "${1:-$root/build/release/kirabox-batch}")"
rounds="${ROUNDS:-3}"
im="$(command -v convert-im6.q16 || command -v convert)"
for tool in cjpeg djpeg tiffcp cwebp dwebp heif-enc heif-convert "$im"; do
  command -v "$tool" > /dev/null || { echo "missing $tool (scripts/bench-deps)" >&2; exit 1; }
done
work="$(mktemp -d /tmp/kirabox-formats.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# One 4000 x 3000 photo, as BMP for us, as PPM and plain TIFF for the tools.
"$batch" "$root/tests/data/photos/rocket.jpg" "$work/in.bmp" resize:width=4000,height=3000
"$im" "$work/in.bmp" "$work/in.ppm"
"$im" "$work/in.bmp" -compress none "$work/in.tif"

now() { date +%s%N; }
best() {  # OUT COMMAND...: the shortest time of COMMAND in ms
  local out="$1" b="" t s
  shift
  for ((r = 0; r < rounds; r++)); do
    rm -f "$out"
    s=$(now)
    "$@" > /dev/null
    t=$((($(now) - s) / 1000000))
    if [[ -z "$b" || $t -lt $b ]]; then b=$t; fi
  done
  echo "$b"
}
size() { stat -c %s "$1"; }

printf '%-24s %10s %12s   %-30s %10s %12s\n' "format" "ours ms" "ours bytes" "tool" "tool ms" "tool bytes"
row() {  # LABEL EXT TOOLNAME TOOLOUT [OURS-OPTIONS...] -- TOOL COMMAND...
  local label="$1" ext="$2" toolName="$3" toolOut="$4"
  shift 4
  local ours=()
  while [[ "$1" != "--" ]]; do ours+=("$1"); shift; done
  shift
  local ourMs toolMs
  ourMs=$(best "$work/ours.$ext" "$batch" "${ours[@]}" "$work/in.bmp" "$work/ours.$ext")
  toolMs=$(best "$toolOut" "$@")
  printf '%-24s %10s %12s   %-30s %10s %12s\n' "$label" "$ourMs" "$(size "$work/ours.$ext")" "$toolName" "$toolMs" \
    "$(size "$toolOut")"
}

row "BMP (no encoding)" bmp "cp" "$work/t.bmp" -- cp "$work/in.bmp" "$work/t.bmp"
row "JPEG q90" jpg "cjpeg -quality 90" "$work/t.jpg" -- cjpeg -quality 90 -outfile "$work/t.jpg" "$work/in.ppm"
row "JPEG q75" jpg "cjpeg -quality 75" "$work/t.jpg" --quality 75 -- \
  cjpeg -quality 75 -outfile "$work/t.jpg" "$work/in.ppm"
row "PNG zlib 6" png "convert (zlib 6)" "$work/t.png" -- \
  "$im" "$work/in.ppm" -define png:compression-level=6 "$work/t.png"
row "TIFF Deflate+predictor" tif "tiffcp -c zip:2" "$work/t.tif" -- tiffcp -c zip:2 "$work/in.tif" "$work/t.tif"
row "WebP q90" webp "cwebp -q 90" "$work/t.webp" --quality 90 -- cwebp -quiet -q 90 "$work/in.ppm" -o "$work/t.webp"
row "WebP lossless (q100)" webp "cwebp -lossless" "$work/t.webp" --quality 100 -- \
  cwebp -quiet -lossless "$work/in.ppm" -o "$work/t.webp"
echo "4000 x 3000, best of $rounds, $(nproc) cores; ours includes reading the BMP, the tools reading PPM/TIFF"

# Opening: the files saved above (the last rows' WebP is the lossless one,
# so a lossy one is made again), and HEIC and AVIF made by libheif's encoder.
cp "$work/ours.webp" "$work/lossless.webp"
"$batch" --quality 90 "$work/in.bmp" "$work/lossy.webp"
"$batch" "$work/in.bmp" "$work/in.png"
heif-enc -q 50 -o "$work/in.heic" "$work/in.png" > /dev/null
heif-enc -A -q 50 -o "$work/in.avif" "$work/in.png" > /dev/null
echo
printf '%-24s %10s   %-30s %10s\n' "open" "ours ms" "tool" "tool ms"
orow() {  # LABEL FILE TOOLNAME TOOLOUT -- TOOL COMMAND...
  local label="$1" file="$2" toolName="$3" toolOut="$4"
  shift 5
  printf '%-24s %10s   %-30s %10s\n' "$label" "$(best "$work/o.bmp" "$batch" "$file" "$work/o.bmp")" "$toolName" \
    "$(best "$toolOut" "$@")"
}
orow "JPEG q75" "$work/ours.jpg" "djpeg -bmp" "$work/t.bmp" -- djpeg -bmp -outfile "$work/t.bmp" "$work/ours.jpg"
orow "PNG" "$work/in.png" "convert to BMP" "$work/t.bmp" -- "$im" "$work/in.png" "$work/t.bmp"
orow "TIFF Deflate" "$work/ours.tif" "tiffcp -c none" "$work/t.tif" -- tiffcp -c none "$work/ours.tif" "$work/t.tif"
orow "WebP q90" "$work/lossy.webp" "dwebp -bmp" "$work/t.bmp" -- dwebp -quiet -bmp "$work/lossy.webp" -o "$work/t.bmp"
orow "WebP lossless" "$work/lossless.webp" "dwebp -bmp" "$work/t.bmp" -- \
  dwebp -quiet -bmp "$work/lossless.webp" -o "$work/t.bmp"
orow "HEIC q50" "$work/in.heic" "heif-convert to Y4M" "$work/t.y4m" -- heif-convert "$work/in.heic" "$work/t.y4m"
orow "AVIF q50" "$work/in.avif" "heif-convert to Y4M" "$work/t.y4m" -- heif-convert "$work/in.avif" "$work/t.y4m"
echo "ours includes writing a 36 MB BMP (see the BMP row above), the tools their uncompressed output"
