#!/usr/bin/env bash
# Save As and Delete Emails on a table of 1,000,000 addresses, against the sqlite3 shell
# doing the same work on the same table:
#   - layout 6 (address, name, tag; quoted; CR LF) against `.mode csv` of the same columns
#     in the same order, in MB/s;
#   - deleting *bogus* against DELETE ... WHERE Email LIKE '%bogus%', in records/s.
# The shell runs twice: as it comes, and with the connection settings our table uses (no
# journal on disk, no syncs, memory map), so that the ratio against the second one compares
# the two programs rather than their settings. Whole processes are timed, best of three.
set -euo pipefail
BUILD_DIR="${BUILD_DIR:?set by bench/run-all}"
BENCH_WORK="${BENCH_WORK:?set by bench/run-all}"
COUNT="${EXPORT_BENCH_COUNT:-1000000}"
bench="$BUILD_DIR/bench/export_bench"
work="$BENCH_WORK/export"
mkdir -p "$work"
command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is missing (scripts/install-deps)"; exit 1; }

same_settings="PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;
PRAGMA temp_store=MEMORY; PRAGMA cache_size=-32768; PRAGMA mmap_size=268435456;"

table="$work/table-$COUNT"
if [ ! -f "$table/intl.dat" ]; then
  echo "making a table of $COUNT addresses..."
  rm -rf "$table"
  "$bench" make "$table" "$COUNT"
fi

# best_of SETUP CMD...: runs SETUP then CMD three times; $best is CMD's shortest wall time.
best=""
best_of() {
  local setup="$1"
  shift
  best=""
  for _ in 1 2 3; do
    eval "$setup"
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    best=$(awk -v a="$t0" -v b="$t1" -v best="$best" \
      'BEGIN { t = b - a; if (best == "" || t < best) best = t; printf "%.4f", best }')
  done
}

# --- Save As, layout 6 -----------------------------------------------------------------
query="SELECT Email, Name, Field FROM Address ORDER BY Email COLLATE NOCASE, id;"
best_of : "$bench" export "$table" 6 "$work/ours.csv"
ours_t=$best
best_of : sqlite3 -batch "$table/intl.dat" ".mode csv" ".headers on" ".output $work/peer.csv" \
  "$query"
plain_t=$best
best_of : sqlite3 -batch "$table/intl.dat" ".output /dev/null" "$same_settings" ".mode csv" \
  ".headers on" ".output $work/peer.csv" "$query"
same_t=$best
ours_bytes=$(stat -c %s "$work/ours.csv")
peer_bytes=$(stat -c %s "$work/peer.csv")
[ "$(wc -l < "$work/ours.csv")" = "$(wc -l < "$work/peer.csv")" ] ||
  { echo "the two exports differ in their number of lines"; exit 1; }
rm -f "$work/ours.csv" "$work/peer.csv"
awk -v ot="$ours_t" -v pt="$plain_t" -v st="$same_t" -v ob="$ours_bytes" -v pb="$peer_bytes" \
  -v n="$COUNT" 'BEGIN {
  om = ob / 1e6 / ot; pm = pb / 1e6 / pt; sm = pb / 1e6 / st
  printf "Save As, layout 6, %d addresses\n", n
  printf "  ours                       %7.3f s  %6.1f MB  %6.1f MB/s\n", ot, ob / 1e6, om
  printf "  sqlite3 .mode csv          %7.3f s  %6.1f MB  %6.1f MB/s\n", pt, pb / 1e6, pm
  printf "  sqlite3 .mode csv, same    %7.3f s  %6.1f MB  %6.1f MB/s\n", st, pb / 1e6, sm
  printf "  ratio ours/peer (MB/s): %.2f as it comes, %.2f with the same settings\n", om / pm, om / sm
}'

# --- Delete Emails, *bogus* -----------------------------------------------------------
copy="$work/delete"
fresh="rm -rf '$copy'; mkdir -p '$copy'; cp '$table/intl.dat' '$copy/intl.dat'"
delete="DELETE FROM Address WHERE Email LIKE '%bogus%';"
eval "$fresh"
ours_count=$("$bench" delete "$copy" "*bogus*")
eval "$fresh"
peer_count=$(sqlite3 -batch "$copy/intl.dat" "$delete SELECT changes();")
[ "$ours_count" = "$peer_count" ] ||
  { echo "deleted $ours_count, the shell $peer_count"; exit 1; }
best_of "$fresh" "$bench" delete "$copy" "*bogus*"
ours_d=$best
best_of "$fresh" sqlite3 -batch "$copy/intl.dat" "$delete"
plain_d=$best
best_of "$fresh" sqlite3 -batch "$copy/intl.dat" "$same_settings" "$delete"
same_d=$best
rm -rf "$copy"
awk -v ot="$ours_d" -v pt="$plain_d" -v st="$same_d" -v n="$COUNT" -v k="$ours_count" 'BEGIN {
  printf "Delete Emails *bogus*, %d addresses, %d deleted by both\n", n, k
  printf "  ours                       %7.3f s  %9.0f records/s\n", ot, n / ot
  printf "  sqlite3 DELETE LIKE        %7.3f s  %9.0f records/s\n", pt, n / pt
  printf "  sqlite3 DELETE LIKE, same  %7.3f s  %9.0f records/s\n", st, n / st
  printf "  ratio ours/peer (records/s): %.2f as it comes, %.2f with the same settings\n", pt / ot, st / ot
}'
