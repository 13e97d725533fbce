#!/usr/bin/env bash
# Our effects against the nearest OpenCV call, on one 12-megapixel picture
# (4000 x 3000, made from tests/data/photos/hubble_deep_field.jpg), first
# both pinned to one core, then both on two. Ours is the step's own time from
# kirabox-batch --time (Preview and Apply, no loading or saving), OpenCV's
# the call's; each the median of RUNS runs, one after the other. Both run
# warm: OpenCV writes into the destination of its previous run, and our step
# is timed after a step that leaves a picture of the result's size behind
# (the step itself, or for a resize the resize back), so that its result
# takes pages already faulted in, as a repeated Preview does. COLD=1 times
# our step alone on the opened picture instead. Prints a Markdown table with
# the ratio ours / OpenCV, then the rows without a peer.
#   bench/vs_opencv.sh [BUILD_DIR]
# BUILD_DIR defaults to build/release, configured with KIRA_BUILD_BENCH=ON
# where libopencv-dev is installed (scripts/bench-deps); it needs the targets
# kirabox-batch and kira_opencv_ops. RUNS (default 5), ONE (default the
# first core this process may use) and TWO (default it and the next) adjust
# the runs and the cores.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-$root/build/release}")"
batch="$build/kirabox-batch"
ops="$build/bench/kira_opencv_ops"
runs="${RUNS:-5}"
for f in "$batch" "$ops"; do
  [ -x "$f" ] || { echo "vs_opencv.sh: $f: not built (cmake --build $build --target kirabox-batch kira_opencv_ops)" >&2; exit 2; }
done
cores=($(taskset -pc $$ | sed 's/.*: //' | tr ',' '\n' | while IFS=- read -r a b; do seq "$a" "${b:-$a}"; done))
one="${ONE:-${cores[0]}}"
two="${TWO:-${cores[0]},${cores[1]:-${cores[0]}}}"

work="$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp )/kirabox-vs-opencv.XXXXXX")"
trap 'rm -rf "$work"' EXIT
"$batch" "$root/tests/data/photos/hubble_deep_field.jpg" "$work/photo.bmp" resize:width=4000,height=3000,method=bicubic

# name | our step | the row's caption [| the steps before it, when not the step itself]
peers=(
  "gauss2|softness:kind=gaussian,level=1|Gaussian σ 2 (softness gaussian 1)"
  "gauss12|softness:kind=gaussian,level=6|Gaussian σ 12 (gaussian 6)"
  "box13|softness:kind=blur,level=6|box 13 × 13 (blur 6)"
  "sharpen|sharpness:kind=sharpen,amount=50|sharpen 3 × 3 (amount 50)"
  "sobel|art1:kind=sobel|Sobel"
  "half|resize:width=2000,height=1500,method=bilinear|resize ½ bilinear|resize:width=2000,height=1500,method=bilinear resize:width=4000,height=3000,method=bilinear"
  "gamma|brightness:kind=gamma,position=30|gamma curve (LUT)"
  "grey|monochrome:kind=mono|grey (cvtColor)"
  "rotate|rotate:turn=right|rotate 90"
  "double|resize:width=8000,height=6000,method=bicubic|bicubic 2×|resize:width=8000,height=6000,method=bicubic resize:width=4000,height=3000,method=bilinear"
)
alone=(
  "radial|softness:kind=radial,level=6|radial blur 18"
  "angle|softness:kind=angle,level=6|angle blur 18"
  "soften|softness:kind=soften,level=6|diamond soften 6"
  "fisheye|art1:kind=fisheye,level=11|fisheye 11"
  "watercolor|art1:kind=watercolor,level=5|watercolour 5"
  "mirage|mirage:faces=24|mirage 24"
  "saturation|saturation:kind=saturation,amount=50|saturation 50"
)

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# ours CPUS STEP [WARM]: the median of the step's own time over RUNS runs, the
# step run last after the steps WARM (default: the step itself).
ours() {
  local before=()
  [ "${COLD:-0}" = 1 ] || read -r -a before <<<"${3:-$2}"
  for ((i = 0; i < runs; i++)); do
    taskset -c "$1" "$batch" --time "$work/photo.bmp" "$work/out.bmp" "${before[@]}" "$2" 2>&1 >/dev/null |
      awk '$1 == "time" { t = $3 } END { print t }'
  done | median
}

declare -A cv1 cv2 us1 us2
while read -r name ms; do cv1[$name]=$ms; done < <(taskset -c "$one" "$ops" "$work/photo.bmp" 1 "$runs")
while read -r name ms; do cv2[$name]=$ms; done < <(taskset -c "$two" "$ops" "$work/photo.bmp" 2 "$runs")
for row in "${peers[@]}" "${alone[@]}"; do
  IFS='|' read -r name step _ warm <<<"$row"
  us1[$name]=$(ours "$one" "$step" "$warm")
  us2[$name]=$(ours "$two" "$step" "$warm")
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "12 MP (4000 x 3000), median of $runs runs, $([ "${COLD:-0}" = 1 ] && echo "ours cold" || echo "both warm"); ms; 1 core = cpu $one, 2 cores = cpus $two"
echo
echo "| operation | ours 1 core | OpenCV 1 | ratio | ours 2 cores | OpenCV 2 | ratio |"
echo "|---|---|---|---|---|---|---|"
for row in "${peers[@]}"; do
  IFS='|' read -r name _ caption _ <<<"$row"
  echo "| $caption | ${us1[$name]} | ${cv1[$name]} | $(ratio "${us1[$name]}" "${cv1[$name]}") |" \
       "${us2[$name]} | ${cv2[$name]} | $(ratio "${us2[$name]}" "${cv2[$name]}") |"
done
echo
echo "| without a peer | ours 1 core | ours 2 cores |"
echo "|---|---|---|"
for row in "${alone[@]}"; do
  IFS='|' read -r name _ caption _ <<<"$row"
  echo "| $caption | ${us1[$name]} | ${us2[$name]} |"
done
