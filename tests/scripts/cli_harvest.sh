#!/usr/bin/env bash
# tessaly-harvest from the outside: its list, its exit statuses, and what it leaves behind.
set -uo pipefail
harvest="$1"
scratch="$(mktemp -d)"
trap 'chmod -R u+rwx "$scratch"; rm -rf "$scratch"' EXIT
export TMPDIR="$scratch/tmp"
mkdir -p "$TMPDIR"
failures=0
check() {  # DESCRIPTION, then a command that must succeed
  local what="$1"; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

cd "$scratch"
printf 'From: "Ann" <ann@mail.test>\r\nTo: Bob@Web.test, ANN@MAIL.TEST\r\nzed@a.test john-doe@x.test\n' > one.txt
mkdir folder folder/sub
printf 'cy@web.test \xe9\xff dora@mail.test\n' > folder/plain
printf 'ann@mail.test\n' > folder/.hidden
printf 'inner@web.test\n' > folder/sub/inside
mkfifo folder/pipe

# The list in address order ignoring case, the first report of an address kept.
"$harvest" one.txt folder > out.txt 2> err.txt; status=$?
check "a file and a folder: exit 0" test $status -eq 0
check "a file and a folder: the list" diff <(printf 'ann@mail.test\nBob@Web.test\ncy@web.test\ndora@mail.test\n') out.txt
check "a file and a folder: nothing said" test ! -s err.txt

"$harvest" --keep-duplicates one.txt folder/.hidden > out.txt; status=$?
check "--keep-duplicates keeps every report" diff <(printf 'ann@mail.test\nANN@MAIL.TEST\nann@mail.test\nBob@Web.test\n') out.txt

# Bad usage is 2; --help is 0.
for args in "" "--bogus one.txt" "--keep-duplicates=yes one.txt" "-x one.txt"; do
  # shellcheck disable=SC2086
  "$harvest" $args > out.txt 2> err.txt; status=$?
  check "bad usage '$args': exit 2 with a message" test $status -eq 2 -a -s err.txt -a ! -s out.txt
done
"$harvest" --help > out.txt; status=$?
check "--help: exit 0 and the usage" grep -q '^Usage: tessaly-harvest' out.txt
check "--help: exit 0" test $status -eq 0
"$harvest" -- --keep-duplicates > out.txt 2> err.txt; status=$?
check "after --, an option-like name is a file" grep -q "Cannot open --keep-duplicates" err.txt

# Inputs that cannot be read are named on standard error and passed over.
"$harvest" missing.txt folder/pipe one.txt > out.txt 2> err.txt; status=$?
check "unreadable inputs: exit 0" test $status -eq 0
check "unreadable inputs: named" grep -q "missing.txt" err.txt
check "unreadable inputs: the FIFO refused" grep -q "folder/pipe: not a regular file" err.txt
check "unreadable inputs: the rest listed" diff <(printf 'ann@mail.test\nBob@Web.test\n') out.txt

# A list that cannot be written is a failure, not a success.
"$harvest" one.txt > /dev/full 2> err.txt; status=$?
check "a full disk: exit 1 with a message" test $status -eq 1 -a -s err.txt

# An interrupted run removes its temporary table and ends by the signal.
yes 'ann@mail.test' | head -c 60000000 > big.txt
"$harvest" --keep-duplicates big.txt > /dev/null 2>&1 &
pid=$!
sleep 0.5
kill -TERM $pid
wait $pid; status=$?
check "an interrupt ends the run by the signal" test $status -eq 143
check "nothing left in the temporary folder" test -z "$(ls -A "$TMPDIR")"

[ $failures -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
