#!/usr/bin/python3
"""Checks the .xlsx and SQLite exports with readers we did not write.

A crafted file and two generated ones (or, with --public, every GEDCOM
file of the public folder, found when the check runs; or, with --large, a
generated file of more people than an .xls sheet holds) are exported with
kinsheet-batch to CSV and to the format under test, for several field
selections; the reader's values must equal the CSV's, value by value (each
CSV value decoded by the program's rule: UTF-8 when valid, else
Windows-1252). An empty cell, which the .xlsx writer leaves out, reads as
the empty value.

Readers: openpyxl and ssconvert (gnumeric) for .xlsx; the sqlite3 shell
and Python's sqlite3 module for SQLite.

Exit codes: 0 all passed, 1 a check failed, 77 the reader or the input is
missing (ctest shows the test as skipped, never as passed); a missing public
folder fails instead with --require.
"""
import argparse
import csv
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import (ACCESS_NAMES, Checker, by_name, csv_rows, decode, export,  # noqa: E402
                          public_gedcom, require, skip, sqlite_rows, sqlite_shell_rows)

FIELD_SETS = ["all", "0", "16,25,14,21", "16,25,0,1,6,7,10,17,18,19,20,22,23,24"]

# The Excel caption of each CSV caption that differs.
CSV_TO_EXCEL = {
    "Bir_Date": "Birth", "Bir_Place": "Birth place", "Chr_Date": "Christened",
    "Chr_Place": "Christened place", "Dea_Date": "Death", "Dea_Place": "Death place",
    "Brl_Date": "Burial", "Brl_Place": "Burial place", "FAMS_ID": "FAMS_ID 1",
    "Spouse_ID": "Spouse_ID 1", "Spouse": "Spouse 1", "Mar_Date": "Marriage 1",
    "Mar_Place": "Marriage place 1", "#Ch": "#Ch 1", "Mar_Date 2": "Marriage 2",
    "Mar_Place 2": "Marriage place 2", "Mar_Date 3": "Marriage 3", "Mar_Place 3": "Marriage place 3",
}
FIRST_MARRIAGE = {"FAMS_ID", "Spouse_ID", "Spouse", "Mar_Date", "Mar_Place", "#Ch"}
# The database's column order, which is not the CSV's.
TABLE_ORDER = ACCESS_NAMES[:4] + ["Nick", "Prefix", "Suffix", "Title"] + ACCESS_NAMES[8:]
EXCEL_WIDTHS = {
    "INDI_ID": 10, "FullName": 40, "Surname": 16, "Given": 20, "Suffix": 10, "Prefix": 10,
    "Title": 12, "Nick": 12, "Sex": 3, "Birth": 11, "Birth place": 30, "Christened": 11,
    "Christened place": 30, "Death": 11, "Death place": 30, "Burial": 11, "Burial place": 30,
    "FAMC_ID": 10, "Father_ID": 10, "Father": 30, "Mother_ID": 10, "Mother": 30,
    "FAMS_ID": 10, "Spouse_ID": 10, "Spouse": 30, "Marriage": 11, "Marriage place": 30, "#Ch": 3,
}


def read_our_csv(path):
    """Header captions and rows of our CSV, each value decoded on its own."""
    with open(path, "rb") as f:
        rows = [[decode(v.encode("latin-1")) for v in row] for row in csv_rows(f.read().decode("latin-1"))]
    return rows[0], rows[1:]


def access_name(caption):
    name = caption.replace("#Ch", "Ch").replace(" ", "_")
    return name + "_1" if caption in FIRST_MARRIAGE else name


def pad(row, width):
    return (list(row) + [""] * width)[:width]


def compare_rows(check, name, got, want, sheet):
    """Row by row, as the CSV writer would show a value: a double quote
    becomes an apostrophe there. A sheet ends at its last written cell, so
    people whose chosen values are all empty at the end have no row."""
    missing = want[len(got):]
    if sheet and all(not any(r) for r in missing):
        got = got + [[""] * len(r) for r in missing]
    check.expect(len(got) == len(want), name + ": %d rows, CSV has %d" % (len(got), len(want)))
    for i, (a, b) in enumerate(zip(got, want)):
        check.expect([v.replace('"', "'") for v in a] == b, "%s: row %d is %r, CSV %r" % (name, i + 1, a, b))


def check_openpyxl(check, path, name, header, rows, ged):
    import openpyxl
    from openpyxl.utils import get_column_letter
    width = len(header)
    small = len(rows) <= 5000
    book = openpyxl.load_workbook(path, read_only=not small)
    sheet = book.worksheets[0]
    check.expect(len(book.worksheets) == 1, name + ": one sheet")
    base = os.path.basename(ged)
    stem = base[:base.rfind(".")] if "." in base[1:] else base
    title = re.sub(r"[\[\]:*?/\\]", "_", decode(stem.encode("utf-8", "surrogateescape")))[:31]
    check.expect(sheet.title == title, name + ": sheet name %r, expected %r" % (sheet.title, title))
    props = book.properties
    check.expect(props.title == decode(base.encode("utf-8", "surrogateescape")), name + ": title %r" % props.title)
    check.expect(props.creator == "Kinsheet", name + ": author %r" % props.creator)
    check.expect((props.description or "").startswith("Created by Kinsheet "),
                 name + ": comments %r" % props.description)
    got = []
    for r, row in enumerate(sheet.iter_rows()):
        for cell in row:
            # Text cells only: never a number or a formula.
            check.expect(cell.value is None or (cell.data_type == "s" and isinstance(cell.value, str)),
                         "%s: row %d cell %r is %s, not text" % (name, r + 1, cell.value, cell.data_type))
        got.append(pad(("" if c.value is None else c.value for c in row), width))
    check.expect(got[0] == [CSV_TO_EXCEL.get(c, c) for c in header], name + ": captions %r" % got[0])
    compare_rows(check, name, got[1:], [pad(r, width) for r in rows], True)
    if not small:
        return
    check.expect(sheet.freeze_panes == "A2", name + ": frozen at %r" % sheet.freeze_panes)
    ref = "A1:%s%d" % (get_column_letter(width), len(rows) + 1)
    check.expect(sheet.auto_filter.ref == ref, name + ": autofilter %r" % sheet.auto_filter.ref)
    for c in range(1, width + 1):
        caption, letter = sheet.cell(row=1, column=c), get_column_letter(c)
        check.expect(caption.font.b and caption.font.name == "Arial" and caption.font.sz == 10,
                     name + ": caption font of column %d" % c)
        expected = EXCEL_WIDTHS.get(re.sub(r" [123]$", "", caption.value))
        dim = sheet.column_dimensions[letter].width
        # The library stores a width in characters plus its padding.
        check.expect(expected is not None and dim is not None and abs(dim - expected) < 1,
                     name + ": width of %s is %r, expected %r" % (letter, dim, expected))
        if rows:
            first = sheet.cell(row=2, column=c)
            check.expect(first.number_format == "@" or first.value is None, name + ": text format in %s2" % letter)


def check_ssconvert(check, path, name, header, rows, work):
    out = os.path.join(work, "ssconvert.csv")
    r = subprocess.run(["ssconvert", "--export-type=Gnumeric_stf:stf_csv", path, out], capture_output=True)
    check.expect(r.returncode == 0, name + ": ssconvert failed: " + r.stderr.decode("utf-8", "replace")[-300:])
    if r.returncode == 0:
        with open(out, encoding="utf-8", newline="") as f:
            got = [pad(row, len(header)) for row in csv.reader(f)]
        check.expect(got[0] == [CSV_TO_EXCEL.get(c, c) for c in header], name + ": captions %r" % got[0])
        compare_rows(check, name, got[1:], [pad(r, len(header)) for r in rows], True)


def table_columns(header):
    names = [access_name(c) for c in header]
    return [n for n in TABLE_ORDER if n in names]


def by_table_order(header, rows):
    return by_name([[access_name(c) for c in header]] + [pad(r, len(header)) for r in rows], table_columns(header))


def check_sqlite_shell(check, path, name, header, rows):
    def shell(*args):
        r = subprocess.run(["sqlite3", "-bail", path, *args], capture_output=True)
        return r.stdout.decode("utf-8", "replace").strip()

    check.expect(shell("PRAGMA integrity_check;") == "ok", name + ": integrity_check fails")
    ordered = table_columns(header)
    schema = ["CREATE TABLE tblKinsheet (" + ", ".join('"%s" TEXT' % n for n in ordered) + ");"]
    if "INDI_ID" in ordered:
        schema.append('CREATE INDEX idx_tblKinsheet_INDI_ID ON tblKinsheet ("INDI_ID");')
    schema.append("CREATE TABLE kinsheet_info (key TEXT PRIMARY KEY, value TEXT NOT NULL);")
    schema = "\n".join(schema)
    got = shell(".schema")
    check.expect(got == schema, name + ": schema\n%s\nexpected\n%s" % (got, schema))
    got = sqlite_shell_rows(path)
    check.expect(got[0] == ordered, name + ": columns %r" % got[0])
    compare_rows(check, name, got[1:], by_table_order(header, rows), False)


def check_sqlite_python(check, path, name, header, rows, ged):
    import sqlite3
    got = sqlite_rows(path)
    ordered = table_columns(header)
    check.expect(got[0] == ordered, name + ": columns %r" % got[0])
    # Every value TEXT, the empty text and never NULL.
    check.expect(all(isinstance(v, str) for row in got[1:] for v in row), name + ": a value that is not text")
    compare_rows(check, name, got[1:], by_table_order(header, rows), False)
    info = dict(sqlite_rows(path, "SELECT key, value FROM kinsheet_info")[1:])
    # The path as the tool made it absolute, without resolving "..".
    source = ged if os.path.isabs(ged) else os.path.join(os.getcwd(), ged)
    for key, pattern in (("source_file", re.escape(decode(source.encode("utf-8", "surrogateescape")))),
                         ("export_time", r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ"), ("program", "Kinsheet"),
                         ("program_version", r"\d+\.\d+"), ("fields", re.escape(",".join(ordered)))):
        check.expect(re.fullmatch(pattern, info.get(key, "")) is not None, name + ": %s %r" % (key, info.get(key)))
    if "INDI_ID" in ordered:
        db = sqlite3.connect("file:" + path + "?mode=ro", uri=True)
        plan = str(db.execute("EXPLAIN QUERY PLAN SELECT * FROM tblKinsheet WHERE INDI_ID='I1'").fetchall())
        db.close()
        check.expect("idx_tblKinsheet_INDI_ID" in plan, name + ": the INDI_ID index is not used: " + plan)


def crafted_gedcom(path):
    """Values the readers must take as plain text, in both encodings."""
    lines = [
        b"0 HEAD", b"1 CHAR ANSI",
        b"0 @I1@ INDI", b"1 NAME =SUM(A1:A2) /Formula/", b"1 NICK 0012", b"1 SEX M",
        b"1 BIRT", b"2 DATE 1 JAN 1900", b"2 PLAC Tab\there, County", b"1 FAMS @F1@",
        b"0 @I2@ INDI", b"1 NAME Jos\xe9 /M\xfcller/", b"1 TITL Dr.\x80", b"1 SEX F", b"1 FAMS @F1@",
        b"1 DEAT", b"2 PLAC Stra\xdfe \x81", b"0 @I3@ INDI", b"1 NAME Zo\xc3\xab /\xc5\x9aliwa/",
        b"1 FAMC @F1@", b"1 BIRT", b"2 PLAC +49 123, \"quoted\", 'single'",
        b"0 @I4@ INDI", b"1 NAME -1 /@Minus/", b"1 NPFX 1E5", b"1 NSFX TRUE",
        b"0 @F1@ FAM", b"1 HUSB @I1@", b"1 WIFE @I2@", b"1 CHIL @I3@", b"1 MARR", b"2 DATE 2 FEB 1920",
        b"0 TRLR",
    ]
    with open(path, "wb") as f:
        f.write(b"\r\n".join(lines) + b"\r\n")


# Past the 65,534 people of an .xls sheet and the 65,536 rows of the old
# sheet format, and no more than that.
LARGE_PEOPLE = 65540


def generated_inputs(gedgen, work, large):
    if large:
        path = os.path.join(work, "large-%d.ged" % LARGE_PEOPLE)
        subprocess.run([gedgen, "--people", str(LARGE_PEOPLE), "--seed", "5", "--non-ascii", "-o", path],
                       check=True)
        return [path]
    made = [os.path.join(work, "crafted=[x].ged")]
    crafted_gedcom(made[0])
    for enc, eol in (("utf8", "lf"), ("cp1252", "crlf")) if gedgen else ():
        made.append(os.path.join(work, "gen-%s.ged" % enc))
        subprocess.run([gedgen, "--people", "400", "--seed", "3", "--encoding", enc, "--non-ascii",
                        "--line-ends", eol, "-o", made[-1]], check=True)
    return made


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--reader", required=True, choices=["openpyxl", "ssconvert", "sqlite3-shell", "sqlite3-python"])
    ap.add_argument("--batch", required=True)
    ap.add_argument("--gedgen", default="")
    ap.add_argument("--work", required=True)
    ap.add_argument("--large", action="store_true", help="only a generated file past the .xls limit")
    ap.add_argument("--public", help="the folder of the public GEDCOM files, instead of generated ones")
    ap.add_argument("--require", action="store_true", help="fail, not skip, when the public folder is missing")
    args = ap.parse_args()

    require(modules=["openpyxl"] if args.reader == "openpyxl" else [],
            programs={"ssconvert": ["ssconvert"], "sqlite3-shell": ["sqlite3"]}.get(args.reader, []))
    if not os.access(args.batch, os.X_OK):
        skip("no kinsheet-batch at " + args.batch)
    if args.large and not (args.gedgen and os.access(args.gedgen, os.X_OK)):
        skip("no gedgen to make the large file")
    if args.public is not None:
        folder = public_gedcom(args.public, args.require)
        inputs = sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.lower().endswith(".ged"))
        if not inputs:
            print("FAIL: no GEDCOM files in " + folder)
            return 1

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    if args.public is None:
        inputs = generated_inputs(args.gedgen, args.work, args.large)
    fmt = "xlsx" if args.reader in ("openpyxl", "ssconvert") else "sqlite"
    check = Checker()
    exports = 0
    for ged in inputs:
        for fields in ["all"] if args.large else FIELD_SETS:
            name = "%s [%s]" % (os.path.basename(ged), fields)
            csv_path, out = os.path.join(args.work, "out.csv"), os.path.join(args.work, "out." + fmt)
            if export(args.batch, ged, csv_path, "--fields", fields).returncode != 0:
                # A file the program refuses (no people) is refused alike.
                refused = export(args.batch, ged, out, "--fields", fields, "--format", fmt).returncode != 0
                check.expect(refused, name + ": CSV refused but %s written" % fmt)
                continue
            r = export(args.batch, ged, out, "--fields", fields, "--format", fmt)
            check.expect(r.returncode == 0, name + ": export failed: " + r.stderr.decode("utf-8", "replace")[-300:])
            if r.returncode != 0:
                continue
            header, rows = read_our_csv(csv_path)
            exports += 1
            if args.large:
                check.expect(len(rows) == LARGE_PEOPLE, name + ": %d people, not %d" % (len(rows), LARGE_PEOPLE))
            if args.reader == "openpyxl":
                check_openpyxl(check, out, name, header, rows, ged)
            elif args.reader == "ssconvert":
                check_ssconvert(check, out, name, header, rows, args.work)
            elif args.reader == "sqlite3-shell":
                check_sqlite_shell(check, out, name, header, rows)
            else:
                check_sqlite_python(check, out, name, header, rows, ged)
            leftovers = [f for f in os.listdir(args.work) if ".kinsheet-" in f]
            check.expect(not leftovers, name + ": temporaries left: %r" % leftovers)
    if exports == 0:
        skip("no input could be exported")
    print("%d exports, %d checks passed, %d failed" % (exports, check.passes, check.failures))
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
