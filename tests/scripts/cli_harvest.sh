#!/usr/bin/env bash
# tessaly-harvest from the outside: its list, its exit statuses, and what it leaves behind.
set -uo pipefail
harvest="$1"
readback="$2"  # dbf_readback.py: prints what an independent dBASE reader finds
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
long_pattern="$(printf 'a%.0s' {1..128})"
for args in "" "--bogus one.txt" "--keep-duplicates=yes one.txt" "-x one.txt" \
            "--layout 8 one.txt" "--layout dbase one.txt" "one.txt -o" "--oe" \
            "--delete $long_pattern one.txt" "--delete= one.txt"; do
  # shellcheck disable=SC2086
  "$harvest" $args > out.txt 2> err.txt; status=$?
  check "bad usage '$args': exit 2 with a message" test $status -eq 2 -a -s err.txt -a ! -s out.txt
done
"$harvest" --help > out.txt; status=$?
check "--help: exit 0 and the usage" grep -q '^Usage: tessaly-harvest' out.txt
check "--help: exit 0" test $status -eq 0
for option in keep-duplicates oe no-body-scan pst body no-from no-to delete layout output help; do
  check "--help: names --$option" grep -q -- "--$option" out.txt
done
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

# --- Outlook Express folder files --------------------------------------------------------
# make_dbx FILE TEXT: a folder file holding one message in one block, as the mail program
# writes it: the signature, then a block whose first word is its own offset.
make_dbx() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import struct, sys
text = sys.argv[2].encode().replace(b"\n", b"\r\n")
at = 0x100
data = b"\xcf\xad\x12\xfe\xc5\xfd\x74\x6f".ljust(at, b"\0")
data += struct.pack("<4I", at, 512, len(text), 0) + text.ljust(512, b"\0")
open(sys.argv[1], "wb").write(data)
PY
}
mkdir store
make_dbx store/Inbox.dbx $'From: "Ann Author" <ann@oe.test>\nTo: Bob <bob@oe.test>\nSubject: hi\n\nWrite to carol@body.test\n'
# A folder file the reader refuses (2 GiB or more), sorted before the good one.
truncate -s 2G store/Big.dbx
printf 'not a folder file, ignored: zed@web.test\n' > store/notes.txt

"$harvest" --oe store one.txt > out.txt 2> err.txt; status=$?
check "--oe on a store folder: exit 0 although one folder file fails" test $status -eq 0
check "--oe: the failing folder file named" grep -q "Big.dbx" err.txt
check "--oe: headers, body scan and the other arguments" \
  diff <(printf 'ann@mail.test\nann@oe.test\nbob@oe.test\nBob@Web.test\ncarol@body.test\n') out.txt
"$harvest" --no-body-scan --oe store/Inbox.dbx > out.txt 2> err.txt; status=$?
check "--no-body-scan: the headers only" diff <(printf 'ann@oe.test\nbob@oe.test\n') out.txt
check "--no-body-scan: exit 0, nothing said" test $status -eq 0 -a ! -s err.txt
if [ -f "${TESSALY_FIXTURES:-}/dbx/one_message.dbx" ]; then
  "$harvest" --no-body-scan --oe "$TESSALY_FIXTURES/dbx/one_message.dbx" > out.txt
  check "--oe on a real folder file" diff <(printf 'noreply@freshmeat.net\n') out.txt
else
  echo "skip --oe on a real folder file: no fixtures in '${TESSALY_FIXTURES:-}'"
fi

# --- Save As layouts, each through -o and read back whole --------------------------------
# LAYOUT | what the file holds (printf format); for dBASE, what the dBASE reader finds.
while IFS='|' read -r layout want; do
  rm -f list.out
  LC_ALL=C "$harvest" --layout "$layout" -o list.out --oe store/Inbox.dbx 2> err.txt; status=$?
  case "$layout" in
    1 | dbf*) got="$(/usr/bin/python3 -I "$readback" --records list.out 2>&1)"$'\n' ;;
    *) got="$(cat list.out; echo x)"; got="${got%x}" ;;
  esac
  check "--layout $layout: exit 0" test $status -eq 0 -a ! -s err.txt
  check "--layout $layout: the file" diff <(printf "$want") <(printf '%s' "$got")
done <<'TABLE'
1|Email:C:80\nann@oe.test\nbob@oe.test\ncarol@body.test\n
txt|ann@oe.test\r\nbob@oe.test\r\ncarol@body.test\r\n
3|"Email",\r\n"ann@oe.test"\r\n"bob@oe.test"\r\n"carol@body.test"\r\n
dbf-names|Email:C:80\tName:C:80\tField:C:10\nann@oe.test\tAnn Author\tFROM\nbob@oe.test\tBob\tTO\ncarol@body.test\t\t\n
5|ann@oe.test,Ann Author,FROM\r\nbob@oe.test,Bob,TO\r\ncarol@body.test,,\r\n
csv-names|"Email","Name","Field",\r\n"ann@oe.test","Ann Author","FROM"\r\n"bob@oe.test","Bob","TO"\r\n"carol@body.test","",""\r\n
oe5|"E-mail Address","Name",\r\n"ann@oe.test","Ann Author"\r\n"bob@oe.test","Bob"\r\n"carol@body.test",""\r\n
TABLE

# Standard output: a pipe is written directly, a file gets the finished list (appended
# when the shell appends), and dBASE, which rewinds, refuses a pipe.
"$harvest" --layout txt -o /dev/stdout one.txt | cat > out.txt
check "-o /dev/stdout through a pipe" diff <(printf 'ann@mail.test\r\nBob@Web.test\r\n') out.txt
echo kept > out.txt
"$harvest" --layout txt -o - one.txt >> out.txt
check "-o - appended to a file" diff <(printf 'kept\nann@mail.test\r\nBob@Web.test\r\n') out.txt
"$harvest" --layout dbf -o - one.txt > out.dbf
check "dBASE to standard output that is a file" \
  diff <(printf 'Email:C:80\nann@mail.test\nBob@Web.test\n') <(/usr/bin/python3 -I "$readback" --records out.dbf)

# A list that cannot be written: exit 1 with the reason, and nothing left behind.
mkdir unwritten
while IFS='|' read -r layout target; do
  (cd unwritten && "$harvest" --layout "$layout" -o "$target" ../one.txt | cat > ../out.txt
   exit "${PIPESTATUS[0]}") 2> err.txt
  status=$?
  check "--layout $layout -o $target: exit 1 with the reason" test $status -eq 1 -a -s err.txt
  check "--layout $layout -o $target: nothing left" test -z "$(find unwritten "$TMPDIR" -mindepth 1)" -a ! -s out.txt
done <<'TABLE'
txt|/dev/full
dbf-names|/dev/full
dbf|-
csv|missing/list.csv
2|.
TABLE

# --- Deleting by pattern -------------------------------------------------------------------
set -f  # the patterns are the harvester's, not the shell's
while IFS='|' read -r patterns want; do
  # shellcheck disable=SC2086
  "$harvest" $patterns one.txt folder > out.txt 2> err.txt; status=$?
  check "$patterns: exit 0, nothing said" test $status -eq 0 -a ! -s err.txt
  check "$patterns: the list" diff <(printf "$want") out.txt
done <<'TABLE'
--delete *@MAIL.test|Bob@Web.test\ncy@web.test\n
--delete ?o?@*.TEST --delete cy@web.test|ann@mail.test\ndora@mail.test\n
--delete nobody@*|ann@mail.test\nBob@Web.test\ncy@web.test\ndora@mail.test\n
TABLE
set +f
if script -qec "true" /dev/null > /dev/null 2>&1; then
  script -qec "'$harvest' --delete '*@mail.test' one.txt" /dev/null > out.txt
  check "--delete on a terminal: the count" grep -q "Emails deleted: 1" out.txt
fi

# --- Outlook data files ------------------------------------------------------------------
pst="${TESSALY_FIXTURES:-}/pst/multiple_to_cc.pst"
if [ -f "$pst" ]; then
  # OPTIONS | the list in layout txt-names, every report kept (the reader tags Cc as TO)
  while IFS='|' read -r options want; do
    # shellcheck disable=SC2086
    "$harvest" --keep-duplicates --layout txt-names $options --pst "$pst" > out.txt 2> err.txt; status=$?
    check "--pst $options: exit 0, nothing said" test $status -eq 0 -a ! -s err.txt
    check "--pst $options: the list" diff <(printf "$want") out.txt
  done <<'TABLE'
|pst-test-1@aranetic.com,John Doe,FROM\r\npst-test-1@aranetic.com,John Doe,TO\r\npst-test-2@aranetic.com,Jane Doe,TO\r\npst-test-3@aranetic.com,pst-test-3@aranetic.com,TO\r\npst-test-4@aranetic.com,pst-test-4@aranetic.com,TO\r\n
--no-from|pst-test-1@aranetic.com,John Doe,TO\r\npst-test-2@aranetic.com,Jane Doe,TO\r\npst-test-3@aranetic.com,pst-test-3@aranetic.com,TO\r\npst-test-4@aranetic.com,pst-test-4@aranetic.com,TO\r\n
--no-to|pst-test-1@aranetic.com,John Doe,FROM\r\n
TABLE
  "$harvest" --pst "$pst" --pst missing.pst > out.txt 2> err.txt; status=$?
  check "--pst: a missing data file named, exit 0" test $status -eq 0 -a -n "$(grep missing.pst err.txt)"
  check "--pst: the addresses" diff <(printf 'pst-test-%d@aranetic.com\n' 1 2 3 4) out.txt
else
  echo "skip --pst: no fixtures in '${TESSALY_FIXTURES:-}'"
fi

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
