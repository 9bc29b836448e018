#!/usr/bin/env bash
# Outlook Express folder files: our header harvest (and our harvest with the body scan,
# once the body scanner is built in) against Debian's undbx extracting the same generated
# folder file to a temporary folder. Prints throughput, the ratio ours/undbx and the peak
# memory of each. The folder file is generated once and kept in $BENCH_WORK.
set -euo pipefail

: "${BUILD_DIR:?set BUILD_DIR to the build folder}"
: "${BENCH_WORK:?set BENCH_WORK to a scratch folder}"
MB="${OE_BENCH_MB:-512}"
bench="$BUILD_DIR/bench/oe_bench"
file="$BENCH_WORK/oe-bench-${MB}MB-seed1.dbx"
mkdir -p "$BENCH_WORK"

if ! command -v undbx >/dev/null; then
  echo "run-oe: undbx is not installed (scripts/install-deps installs it)" >&2
  exit 1
fi

if [ ! -s "$file" ] || [ ! -s "$file.count" ]; then
  echo "generating a ${MB} MB folder file (kept for later runs): $file"
  "$bench" generate "$file.part" "$MB" 1 | tee "$file.log"
  sed -n 's/.*: \([0-9]*\) messages.*/\1/p' "$file.log" > "$file.count"
  mv "$file.part" "$file"
fi
bytes=$(stat -c %s "$file")
messages=$(cat "$file.count")
size_mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1048576 }')
echo "folder file: $size_mb MB, $messages messages (real layout: header, index tree, chained blocks)"

# Both readers start from the page cache.
cat "$file" > /dev/null

now() { date +%s.%N; }
rate() { awk -v b="$bytes" -v s="$1" 'BEGIN { printf "%.1f", b / 1048576 / s }'; }
secs() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# Ours, headers only.
t0=$(now)
/usr/bin/time -f '%M' -o "$BENCH_WORK/oe-ours.rss" "$bench" harvest "$file" > "$BENCH_WORK/oe-ours.out"
t1=$(now)
ours_s=$(secs "$t0" "$t1")
ours_rate=$(rate "$ours_s")
ours_rss=$(tail -1 "$BENCH_WORK/oe-ours.rss")
echo "ours, headers only:   $ours_s s = $ours_rate MB/s, peak memory $((ours_rss / 1024)) MB ($(sed 's/.*; //' "$BENCH_WORK/oe-ours.out"))"

# Ours with the body scan: available once the scanner is in the core.
t0=$(now)
set +e
/usr/bin/time -f '%M' -o "$BENCH_WORK/oe-body.rss" "$bench" harvest "$file" --body-scan \
  > "$BENCH_WORK/oe-body.out" 2> "$BENCH_WORK/oe-body.err"
body_rc=$?
set -e
t1=$(now)
if [ "$body_rc" -eq 0 ]; then
  body_s=$(secs "$t0" "$t1")
  body_rss=$(tail -1 "$BENCH_WORK/oe-body.rss")
  echo "ours, with body scan: $body_s s = $(rate "$body_s") MB/s, peak memory $((body_rss / 1024)) MB ($(sed 's/.*; //' "$BENCH_WORK/oe-body.out"))"
else
  echo "ours, with body scan: not measured: $(grep -o 'this build has no body scanner.*' "$BENCH_WORK/oe-body.err" || cat "$BENCH_WORK/oe-body.err")"
fi

# The peer: undbx extracting every message to a temporary folder.
out=$(mktemp -d "$BENCH_WORK/undbx.XXXXXX")
t0=$(now)
/usr/bin/time -f '%M' -o "$BENCH_WORK/oe-undbx.rss" undbx -v 0 "$file" "$out" > /dev/null
t1=$(now)
extracted=$(find "$out" -name '*.eml' | wc -l)
rm -rf "$out"
undbx_s=$(secs "$t0" "$t1")
undbx_rate=$(rate "$undbx_s")
undbx_rss=$(tail -1 "$BENCH_WORK/oe-undbx.rss")
echo "undbx extraction:     $undbx_s s = $undbx_rate MB/s, peak memory $((undbx_rss / 1024)) MB ($extracted of $messages messages extracted)"

ratio=$(awk -v a="$ours_rate" -v b="$undbx_rate" 'BEGIN { printf "%.2f", a / b }')
verdict=$(awk -v r="$ratio" 'BEGIN { print (r >= 3 ? "met" : "NOT met") }')
echo "ratio ours/undbx (headers only): ${ratio}x (target 3x: $verdict)"
[ "$extracted" -eq "$messages" ] || { echo "run-oe: undbx extracted $extracted of $messages" >&2; exit 1; }
