#!/usr/bin/env bash
# Runs kirabox-batch over every file under the test data folder, each time
# with every step of --help (and every choice of each step's choice keys)
# after a resize to a small size, so that each run stays short. Passes when no
# run crashes or prints a sanitizer report; refusals (exit 1 or 2) are fine.
#   batch_every_step.sh KIRABOX_BATCH DATA_FOLDER
set -u
bin="$1"
data="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Step texts from --help: "name", then "name:key=choice" for each choice.
# The bright-point step goes last: it leaves a nearly black picture.
"$bin" --help >"$work/help" || { echo "kirabox-batch --help failed"; exit 1; }
mapfile -t steps < <(awk '
  /^  [a-z0-9]+  -- / { step = $1; print step; next }
  /^      [a-z]+: / && step != "" {
    key = $1; sub(":", "", key)
    line = $0; sub(/^ *[a-z]+: /, "", line)
    if (line ~ /\.\./ || line ~ /RRGGBB/) next
    sub(/ \(.*$/, "", line)
    n = split(line, c, ", ")
    for (i = 1; i <= n; ++i) print step ":" key "=" c[i]
  }' "$work/help" | awk '/^brightpoints/ { last[++k] = $0; next } { print } END { for (i = 1; i <= k; ++i) print last[i] }')
if [ ${#steps[@]} -lt 20 ]; then
  echo "only ${#steps[@]} steps found in --help"
  exit 1
fi

sizes=("width=40,height=30" "width=1,height=1" "width=3,height=2" "width=17,height=9")
outs=(out.bmp out.jpg)
runs=0
bad=0
while IFS= read -r -d '' file; do
  size="${sizes[$((runs % ${#sizes[@]}))]}"
  out="$work/${outs[$((runs % 2))]}"
  runs=$((runs + 1))
  "$bin" --seed "$runs" "$file" "$out" "resize:$size" "${steps[@]}" >/dev/null 2>"$work/err"
  status=$?
  if [ "$status" -gt 2 ] || grep -q -e "Sanitizer" -e "runtime error:" "$work/err"; then
    bad=$((bad + 1))
    echo "FAILED (exit $status): $file resize:$size"
    head -40 "$work/err"
  fi
done < <(find "$data" -type f -print0 | sort -z)
echo "$runs files, ${#steps[@]} steps each, $bad with a crash or a sanitizer report"
[ "$bad" -eq 0 ] && [ "$runs" -gt 0 ]
