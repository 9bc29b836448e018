#!/usr/bin/env bash
# The Outlook reader against readpst (pst-utils) on the same Outlook data files: every pass
# opens the fixture stores and reads every item of every folder; readpst converts the same
# files to separate message files. Messages per second for both, and the ratio.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
fixtures="${TESSALY_FIXTURES:-$here/../../shared/fixtures}"
files=("$fixtures"/pst/*.pst)
if [ ! -e "${files[0]}" ]; then
  echo "outlook: no data files in $fixtures/pst; skipped"
  exit 0
fi
if ! command -v readpst > /dev/null; then
  echo "outlook: readpst (pst-utils) is not installed; skipped"
  exit 0
fi
seconds="${OUTLOOK_SECONDS:-3}"
work="$BENCH_WORK/outlook"
rm -rf "$work" && mkdir -p "$work"

ours=$("$BUILD_DIR/bench/outlook_bench" "$seconds" "${files[@]}")
echo "ours:    $ours"
ours_rate=$(sed -E 's/.*messages_per_second=([0-9]+).*/\1/' <<<"$ours")
per_pass=$(sed -E 's/.*messages_per_pass=([0-9]+).*/\1/' <<<"$ours")

# readpst converts every file once per pass, into a fresh folder each time.
passes=0
start=$(date +%s.%N)
while :; do
  passes=$((passes + 1))
  out="$work/pass"
  rm -rf "$out"
  for f in "${files[@]}"; do
    mkdir -p "$out/$(basename "$f")"
    readpst -q -D -S -o "$out/$(basename "$f")" "$f" > /dev/null
  done
  now=$(date +%s.%N)
  awk -v s="$start" -v e="$now" -v t="$seconds" 'BEGIN { exit !(e - s >= t) }' && break
done
end=$(date +%s.%N)
readpst_rate=$(awk -v n=$((passes * per_pass)) -v s="$start" -v e="$end" \
  'BEGIN { printf "%.0f", n / (e - s) }')
echo "readpst: passes=$passes messages_per_pass=$per_pass messages=$((passes * per_pass))" \
  "seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')" \
  "messages_per_second=$readpst_rate"
awk -v o="$ours_rate" -v r="$readpst_rate" \
  'BEGIN { printf "ratio ours/readpst = %.2f (target >= 1.00)\n", o / r }'
