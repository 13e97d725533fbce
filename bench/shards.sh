#!/usr/bin/env bash
# Throughput of kirabox-batch on one machine: --jobs 1, --jobs 2, and two
# shards of --jobs 1 side by side, JPEG to JPEG with the star filter, over
# COUNT photos of 12 megapixels made from tests/data/photos in a folder
# under /tmp. Prints files per second for each and checks that the three
# folders hold the same bytes.
#   bench/shards.sh [KIRABOX_BATCH [COUNT]]
# KIRABOX_BATCH defaults to build/release/kirabox-batch (scripts/bench builds
# it), COUNT to 200; STEPS overrides the steps (default star:threshold=auto).
# ROUNDS=R (default 1) runs the three R times in turn and keeps each one's
# best time: on a machine others use too, the least disturbed run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
batch="$(realpath "${1:-$root/build/release/kirabox-batch}")"
count="${2:-200}"
steps="${STEPS:-star:threshold=auto}"
rounds="${ROUNDS:-1}"
work="$(mktemp -d /tmp/kirabox-shards.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# Four 4000 x 3000 pictures, then COUNT copies under their own names.
mkdir -p "$work/base" "$work/in"
"$batch" --format jpg --out-dir "$work/base" "$root"/tests/data/photos/*.jpg -- resize:width=4000,height=3000
bases=("$work"/base/*.jpg)
for ((i = 0; i < count; i++)); do
  cp "${bases[i % ${#bases[@]}]}" "$work/in/photo$(printf %04d "$i").jpg"
done
find "$work/in" -name '*.jpg' | sort > "$work/list"

now() { date +%s.%N; }
declare -A best
keep() {  # NAME START END: the shortest time of NAME so far
  local t
  t=$(awk -v a="$2" -v b="$3" 'BEGIN { print b - a }')
  if [[ -z "${best[$1]:-}" ]] || awk -v t="$t" -v b="${best[$1]}" 'BEGIN { exit !(t < b) }'; then best[$1]=$t; fi
}
fresh() { rm -rf "$work/$1" && mkdir -p "$work/$1"; }

cat "$work"/in/*.jpg > /dev/null  # in the page cache for every run alike
echo "$count photos of 4000 x 3000, steps: $steps, $(nproc) cores, best of $rounds"
for ((r = 0; r < rounds; r++)); do
  fresh jobs1
  t0=$(now)
  "$batch" --jobs 1 --files-from "$work/list" --out-dir "$work/jobs1" -- $steps
  keep jobs1 "$t0" "$(now)"

  fresh jobs2
  t0=$(now)
  "$batch" --jobs 2 --files-from "$work/list" --out-dir "$work/jobs2" -- $steps
  keep jobs2 "$t0" "$(now)"

  fresh shards
  t0=$(now)
  "$batch" --jobs 1 --shard 1/2 --files-from "$work/list" --out-dir "$work/shards" -- $steps &
  first=$!
  "$batch" --jobs 1 --shard 2/2 --files-from "$work/list" --out-dir "$work/shards" -- $steps
  wait "$first"
  keep shards "$t0" "$(now)"
done
for name in jobs1 jobs2 shards; do
  label=$([[ $name == shards ]] && echo "2 shards of --jobs 1" || echo "--jobs ${name#jobs}")
  awk -v n="$count" -v name="$label" -v t="${best[$name]}" 'BEGIN { printf "%-22s %6.1f s  %6.2f files/s\n", name, t, n / t }'
done
awk -v a="${best[jobs2]}" -v b="${best[shards]}" 'BEGIN { printf "--jobs 2 runs at %.0f%% of the two shards\n", 100 * b / a }'
# How the hash split the photos (a second pass finds every output made).
"$batch" --shard 1/2 --skip-existing --manifest "$work/share1" --files-from "$work/list" --out-dir "$work/shards" -- $steps
echo "shard 1 of 2 took $(wc -l < "$work/share1") of the $count photos"
diff -rq "$work/jobs1" "$work/jobs2" && diff -rq "$work/jobs1" "$work/shards" && echo "the three folders hold the same bytes"
