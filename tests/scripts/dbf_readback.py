"""The dBASE layouts of Save As, read back by an independent reader (dbfread).

Usage: dbf_readback.py WRITER
       dbf_readback.py --records FILE

Writes layouts 1 and 4 of a small table through WRITER and checks what dbfread finds:
the dBASE III version byte and header end, the column names, types, widths and decimals,
every value, and the record order (e-mail order, letter case ignored).

With --records, prints what dbfread finds in FILE instead, for a script to compare: a line
of columns (name:type:width), then one line per record, values separated by tabs.
"""
import os
import subprocess
import sys
import tempfile
import unittest

import dbfread

WRITER = None

# (email, name, kind) in id order. Kinds: 0 FROM, 1 TO, 3 CC, 5 BODY.
ROWS = [
    (b"zed@example.test", b"Zed", 0),
    (b"Ann@example.test", b"", 1),
    (b"bob@example.test", b'Bob "The" Builder ', 3),
    (b"a" * 68 + b"@example.test", b"N" * 95, 5),  # 81 bytes and 95: cut to 80
    (b"carl@example.test", b"Jos\xe9 Carl", 7),  # a Windows-1252 letter; no tag for kind 7
    (b"ann@example.test", b"Second Ann", 1),  # same address in other case: id order breaks the tie
]
TAGS = {0: "FROM", 1: "TO", 2: "SENDER", 3: "CC", 4: "BCC", 5: "BODY"}


def expected_records(columns):
    ordered = sorted(enumerate(ROWS), key=lambda r: (r[1][0].lower(), r[0]))
    records = []
    for _, (email, name, kind) in ordered:
        # The table cuts to its widths; dBASE pads with blanks, which a reader drops.
        values = {
            "Email": email[:80].decode("cp1252").rstrip(" "),
            "Name": name[:80].decode("cp1252").rstrip(" "),
            "Field": TAGS.get(kind, ""),
        }
        records.append([(c, values[c]) for c in columns])
    return records


class DbaseLayouts(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.rows = os.path.join(self.dir.name, "rows")
        self.write_rows(ROWS)

    def tearDown(self):
        self.dir.cleanup()

    def write_rows(self, rows):
        with open(self.rows, "wb") as f:
            for email, name, kind in rows:
                f.write(email + b"\t" + name + b"\t" + str(kind).encode() + b"\n")

    def write(self, layout, name="list.dbf"):
        path = os.path.join(self.dir.name, name)
        subprocess.run([WRITER, self.rows, str(layout), path], check=True)
        return path

    def check(self, path, columns, records):
        with open(path, "rb") as f:
            raw = f.read()
        self.assertEqual(raw[0], 3, "dBASE III without memo")
        header_length = raw[8] | raw[9] << 8
        self.assertEqual(header_length, 32 + 32 * len(columns) + 1)
        self.assertEqual(raw[header_length - 1], 0x0D)
        table = dbfread.DBF(path, recfactory=None, char_decode_errors="strict")
        self.assertEqual(table.header.dbversion, 3)
        self.assertEqual(
            [(f.name, f.type, f.length, f.decimal_count) for f in table.fields],
            [(c, "C", {"Email": 80, "Name": 80, "Field": 10}[c], 0) for c in columns],
        )
        self.assertEqual(list(table), records)
        self.assertEqual(len(table), len(records))

    def test_address_and_name_layout(self):
        columns = ["Email", "Name", "Field"]
        self.check(self.write(4), columns, expected_records(columns))

    def test_address_layout(self):
        self.check(self.write(1), ["Email"], expected_records(["Email"]))

    def test_saving_over_a_table_replaces_it_completely(self):
        path = self.write(4)
        self.assertEqual(self.write(1), path)
        self.check(path, ["Email"], expected_records(["Email"]))
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["list.dbf", "rows"])

    def test_the_name_chosen_is_kept_whatever_its_extension(self):
        path = self.write(1, name="addresses.list")
        self.check(path, ["Email"], expected_records(["Email"]))
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["addresses.list", "rows"])

    def test_an_empty_table_gives_the_columns_and_no_records(self):
        self.write_rows([])
        self.check(self.write(4), ["Email", "Name", "Field"], [])


def print_records(path):
    table = dbfread.DBF(path, recfactory=None, char_decode_errors="strict")
    if table.header.dbversion != 3:
        sys.exit("%s: not a dBASE III table" % path)
    print("\t".join("%s:%s:%d" % (f.name, f.type, f.length) for f in table.fields))
    for record in table:
        print("\t".join(value for _, value in record))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--records":
        print_records(sys.argv[2])
        sys.exit(0)
    WRITER = sys.argv.pop(1)
    unittest.main(verbosity=2)
