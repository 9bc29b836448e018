#!/usr/bin/env bash
# Save As and Delete Emails on a table of 1,000,000 addresses, against the sqlite3 shell
# doing the same work on the same table:
#   - layout 6 (address, name, tag; quoted; CR LF) against `.mode csv` of the same columns
#     in the same order, in MB/s;
#   - deleting *bogus* against DELETE ... WHERE Email LIKE '%bogus%', in records/s.
# The shell runs twice: as it comes, and with the connection settings our table uses (no
# journal on disk, no syncs, memory map), so that the second ratio compares the programs
# rather than their settings. Whole processes are timed, the contestants take turns, and
# each keeps its best of five rounds, in wall time and in CPU time (user + system): on a
# shared machine the CPU time is the steadier of the two.
set -euo pipefail
BUILD_DIR="${BUILD_DIR:?set by bench/run-all}"
BENCH_WORK="${BENCH_WORK:?set by bench/run-all}"
COUNT="${EXPORT_BENCH_COUNT:-1000000}"
ROUNDS="${EXPORT_BENCH_ROUNDS:-5}"
bench="$BUILD_DIR/bench/export_bench"
work="$BENCH_WORK/export"
mkdir -p "$work"
for tool in sqlite3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps)"; exit 1; }
done

same_settings="PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;
PRAGMA temp_store=MEMORY; PRAGMA cache_size=-32768; PRAGMA mmap_size=268435456;"

table="$work/table-$COUNT"
if [ ! -f "$table/intl.dat" ]; then
  echo "making a table of $COUNT addresses..."
  rm -rf "$table"
  "$bench" make "$table" "$COUNT"
fi

declare -A wall cpu
# run_once LABEL SETUP CMD...: runs SETUP, then times CMD; keeps LABEL's best times.
run_once() {
  local label="$1" setup="$2"
  shift 2
  eval "$setup"
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >/dev/null
  local e u s
  read -r e u s < "$work/time"
  wall[$label]=$(awk -v t="$e" -v b="${wall[$label]:-}" 'BEGIN { printf "%.3f", (b == "" || t < b) ? t : b }')
  cpu[$label]=$(awk -v t="$u" -v t2="$s" -v b="${cpu[$label]:-}" \
    'BEGIN { t += t2; printf "%.3f", (b == "" || t < b) ? t : b }')
}

# --- Save As, layout 6 -----------------------------------------------------------------
query="SELECT Email, Name, Field FROM Address ORDER BY Email COLLATE NOCASE, id;"
for _ in $(seq "$ROUNDS"); do
  run_once ours : "$bench" export "$table" 6 "$work/ours.csv"
  run_once plain : sqlite3 -batch "$table/intl.dat" ".mode csv" ".headers on" \
    ".output $work/peer.csv" "$query"
  run_once same : sqlite3 -batch "$table/intl.dat" ".output /dev/null" "$same_settings" \
    ".mode csv" ".headers on" ".output $work/peer.csv" "$query"
done
ours_bytes=$(stat -c %s "$work/ours.csv")
peer_bytes=$(stat -c %s "$work/peer.csv")
[ "$(wc -l < "$work/ours.csv")" = "$(wc -l < "$work/peer.csv")" ] ||
  { echo "the two exports differ in their number of lines"; exit 1; }
rm -f "$work/ours.csv" "$work/peer.csv"
awk -v ow="${wall[ours]}" -v oc="${cpu[ours]}" -v pw="${wall[plain]}" -v pc="${cpu[plain]}" \
  -v sw="${wall[same]}" -v sc="${cpu[same]}" -v ob="$ours_bytes" -v pb="$peer_bytes" \
  -v n="$COUNT" 'BEGIN {
  o = ob / 1e6; p = pb / 1e6
  printf "Save As, layout 6, %d addresses (ours %.1f MB, the shell %.1f MB)\n", n, o, p
  printf "                             wall s   MB/s    cpu s   MB/s\n"
  printf "  ours                      %7.3f %6.1f  %7.3f %6.1f\n", ow, o / ow, oc, o / oc
  printf "  sqlite3 .mode csv         %7.3f %6.1f  %7.3f %6.1f\n", pw, p / pw, pc, p / pc
  printf "  sqlite3 .mode csv, same   %7.3f %6.1f  %7.3f %6.1f\n", sw, p / sw, sc, p / sc
  printf "  ratio ours/shell (MB/s), wall: %.2f as it comes, %.2f same settings\n", (o / ow) / (p / pw), (o / ow) / (p / sw)
  printf "  ratio ours/shell (MB/s), cpu:  %.2f as it comes, %.2f same settings\n", (o / oc) / (p / pc), (o / oc) / (p / sc)
}'

# --- Delete Emails, *bogus* -----------------------------------------------------------
wall=()
cpu=()
copy="$work/delete"
fresh="rm -rf '$copy'; mkdir -p '$copy'; cp '$table/intl.dat' '$copy/intl.dat'"
delete="DELETE FROM Address WHERE Email LIKE '%bogus%';"
eval "$fresh"
ours_count=$("$bench" delete "$copy" "*bogus*")
eval "$fresh"
peer_count=$(sqlite3 -batch "$copy/intl.dat" "$delete SELECT changes();")
[ "$ours_count" = "$peer_count" ] || { echo "deleted $ours_count, the shell $peer_count"; exit 1; }
for _ in $(seq "$ROUNDS"); do
  run_once ours "$fresh" "$bench" delete "$copy" "*bogus*"
  run_once plain "$fresh" sqlite3 -batch "$copy/intl.dat" "$delete"
  run_once same "$fresh" sqlite3 -batch "$copy/intl.dat" ".output /dev/null" "$same_settings" \
    "$delete"
done
rm -rf "$copy" "$work/time"
awk -v ow="${wall[ours]}" -v oc="${cpu[ours]}" -v pw="${wall[plain]}" -v pc="${cpu[plain]}" \
  -v sw="${wall[same]}" -v sc="${cpu[same]}" -v n="$COUNT" -v k="$ours_count" 'BEGIN {
  printf "Delete Emails *bogus*, %d addresses, %d deleted by both\n", n, k
  printf "                             wall s  records/s   cpu s  records/s\n"
  printf "  ours                      %7.3f %10.0f  %7.3f %10.0f\n", ow, n / ow, oc, n / oc
  printf "  sqlite3 DELETE LIKE       %7.3f %10.0f  %7.3f %10.0f\n", pw, n / pw, pc, n / pc
  printf "  sqlite3 DELETE LIKE, same %7.3f %10.0f  %7.3f %10.0f\n", sw, n / sw, sc, n / sc
  printf "  ratio ours/shell (records/s), wall: %.2f as it comes, %.2f same settings\n", pw / ow, sw / ow
  printf "  ratio ours/shell (records/s), cpu:  %.2f as it comes, %.2f same settings\n", pc / oc, sc / oc
}'
