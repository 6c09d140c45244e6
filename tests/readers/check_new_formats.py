#!/usr/bin/python3
"""Checks the .xlsx and SQLite exports with readers we did not write.

Every GEDCOM file given, and a few generated ones, is exported with
kinsheet-batch to CSV and to the format under test, for several field
selections; the reader's values must equal the CSV's, value by value (each
CSV value decoded by the program's rule: UTF-8 when valid, else
Windows-1252). An empty cell, which the .xlsx writer leaves out, reads as
the empty value.

Readers: openpyxl and ssconvert (gnumeric) for .xlsx; the sqlite3 shell
and Python's sqlite3 module for SQLite.

Exit codes: 0 all passed, 1 a check failed, 77 the reader or the input is
missing (ctest shows the test as skipped, never as passed).
"""
import argparse
import csv
import io
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import Checker, decode, skip  # noqa: E402

FIELD_SETS = ["all", "0", "16,25,14,21", "16,25,0,1,6,7,10,17,18,19,20,22,23,24"]

# The Excel caption and the Access field name of each CSV caption.
CSV_TO_EXCEL = {
    "Bir_Date": "Birth", "Bir_Place": "Birth place", "Chr_Date": "Christened",
    "Chr_Place": "Christened place", "Dea_Date": "Death", "Dea_Place": "Death place",
    "Brl_Date": "Burial", "Brl_Place": "Burial place", "FAMS_ID": "FAMS_ID 1",
    "Spouse_ID": "Spouse_ID 1", "Spouse": "Spouse 1", "Mar_Date": "Marriage 1",
    "Mar_Place": "Marriage place 1", "#Ch": "#Ch 1", "Mar_Date 2": "Marriage 2",
    "Mar_Place 2": "Marriage place 2", "Mar_Date 3": "Marriage 3", "Mar_Place 3": "Marriage place 3",
}
FIRST_MARRIAGE = {"FAMS_ID", "Spouse_ID", "Spouse", "Mar_Date", "Mar_Place", "#Ch"}
ACCESS_ORDER = ["INDI_ID", "FullName", "Surname", "Given", "Nick", "Prefix", "Suffix", "Title", "Sex",
                "Bir_Date", "Bir_Place", "Chr_Date", "Chr_Place", "Dea_Date", "Dea_Place", "Brl_Date",
                "Brl_Place", "FAMC_ID", "Father_ID", "Father", "Mother_ID", "Mother"] + [
    name + "_" + str(m) for m in (1, 2, 3)
    for name in ("FAMS_ID", "Spouse_ID", "Spouse", "Mar_Date", "Mar_Place", "Ch")]
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
        text = f.read().decode("latin-1")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    rows = [[decode(v.encode("latin-1")) for v in row] for row in rows]
    return rows[0], rows[1:]


def access_name(caption):
    name = caption.replace("#Ch", "Ch").replace(" ", "_")
    return name + "_1" if caption in FIRST_MARRIAGE else name


def excel_caption(caption):
    return CSV_TO_EXCEL.get(caption, caption)


def run_batch(batch, fields, ged, out, fmt):
    r = subprocess.run([batch, "export", "--quiet", "--force", "--format", fmt, "--fields", fields, ged, out],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return r.returncode, r.stderr.decode("utf-8", "replace")


def pad(row, width):
    row = list(row) + [""] * (width - len(row))
    return row[:width]


def fill_empty_rows(check, name, got, rows, width):
    """A sheet ends at its last written cell: people whose chosen values are
    all empty at the end of the file have no row a reader could see."""
    check.expect(len(got) - 1 <= len(rows), name + ": %d rows, CSV has %d" % (len(got) - 1, len(rows)))
    missing = rows[len(got) - 1:]
    check.expect(all(not any(r) for r in missing), name + ": %d rows missing" % len(missing))
    return got + [[""] * width for _ in missing]


def as_in_csv(values):
    """The CSV writer turns a double quote into an apostrophe; the other
    formats keep the value whole."""
    return [v.replace('"', "'") for v in values]


# ---------------------------------------------------------------- readers

def check_openpyxl(check, path, name, header, rows, ged):
    import openpyxl
    width = len(header)
    small = len(rows) <= 5000
    book = openpyxl.load_workbook(path, read_only=not small)
    sheet = book.worksheets[0]
    check.expect(len(book.worksheets) == 1, name + ": one sheet")
    base = os.path.basename(ged)
    stem = base[:base.rfind(".")] if "." in base[1:] else base
    expected_title = re.sub(r"[\[\]:*?/\\]", "_", decode(stem.encode("utf-8", "surrogateescape")))[:31]
    check.expect(sheet.title == expected_title, name + ": sheet name %r, expected %r" % (sheet.title, expected_title))
    props = book.properties
    check.expect(props.title == decode(base.encode("utf-8", "surrogateescape")), name + ": title %r" % props.title)
    check.expect(props.creator == "Kinsheet", name + ": author %r" % props.creator)
    check.expect((props.description or "").startswith("Created by Kinsheet "), name + ": comments %r" % props.description)
    got = []
    for r, row in enumerate(sheet.iter_rows()):
        values = []
        for cell in row:
            if cell.value is None:
                values.append("")
                continue
            # Text cells only: never a number or a formula.
            if cell.data_type != "s" or not isinstance(cell.value, str):
                check.expect(False, "%s: row %d cell %r is %s, not text" % (name, r + 1, cell.value, cell.data_type))
            values.append(str(cell.value))
        got.append(pad(values, width))
    check.expect(got[0] == [excel_caption(c) for c in header], name + ": captions %r" % got[0])
    got = fill_empty_rows(check, name, got, rows, width)
    for i, (a, b) in enumerate(zip(got[1:], rows)):
        check.expect(as_in_csv(a) == pad(b, width), "%s: row %d is %r, CSV %r" % (name, i + 2, a, b))
    if small:
        from openpyxl.utils import get_column_letter
        last = get_column_letter(width)
        check.expect(sheet.freeze_panes == "A2", name + ": frozen at %r" % sheet.freeze_panes)
        check.expect(sheet.auto_filter.ref == "A1:%s%d" % (last, len(rows) + 1),
                     name + ": autofilter %r" % sheet.auto_filter.ref)
        for c in range(1, width + 1):
            caption = sheet.cell(row=1, column=c)
            check.expect(caption.font.b and caption.font.name == "Arial" and caption.font.sz == 10,
                         name + ": caption font of column %d" % c)
            letter = get_column_letter(c)
            key = re.sub(r" [123]$", "", caption.value)
            expected = EXCEL_WIDTHS.get(key)
            dim = sheet.column_dimensions[letter]
            # The library stores a width in characters plus its padding.
            check.expect(expected is not None and dim.width is not None and abs(dim.width - expected) < 1,
                         name + ": width of %s is %r, expected %r" % (letter, dim.width, expected))
            if len(rows) > 0:
                check.expect(sheet.cell(row=2, column=c).number_format == "@" or sheet.cell(row=2, column=c).value is None,
                             name + ": text format in %s2" % letter)


def check_ssconvert(check, path, name, header, rows, work):
    out = os.path.join(work, "ssconvert.csv")
    r = subprocess.run(["ssconvert", "--export-type=Gnumeric_stf:stf_csv", path, out],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    check.expect(r.returncode == 0, name + ": ssconvert failed: " + r.stderr.decode("utf-8", "replace")[-300:])
    if r.returncode != 0:
        return
    with open(out, encoding="utf-8", newline="") as f:
        got = [pad(row, len(header)) for row in csv.reader(f)]
    check.expect(got[0] == [excel_caption(c) for c in header], name + ": captions %r" % got[0])
    got = fill_empty_rows(check, name, got, rows, len(header))
    for i, (a, b) in enumerate(zip(got[1:], rows)):
        check.expect(as_in_csv(a) == pad(b, len(header)), "%s: row %d is %r, CSV %r" % (name, i + 2, a, b))


def expected_schema(header):
    names = [access_name(c) for c in header]
    ordered = [n for n in ACCESS_ORDER if n in names]
    table = "CREATE TABLE tblKinsheet (" + ", ".join('"%s" TEXT' % n for n in ordered) + ");"
    lines = [table]
    if "INDI_ID" in names:
        lines.append('CREATE INDEX idx_tblKinsheet_INDI_ID ON tblKinsheet ("INDI_ID");')
    lines.append("CREATE TABLE kinsheet_info (key TEXT PRIMARY KEY, value TEXT NOT NULL);")
    return ordered, "\n".join(lines)


def by_access_name(header, rows):
    names = [access_name(c) for c in header]
    return [dict(zip(names, pad(row, len(names)))) for row in rows]


def check_sqlite_shell(check, path, name, header, rows):
    def shell(*args):
        r = subprocess.run(["sqlite3", "-bail", path] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        return r.returncode, r.stdout.decode("utf-8", "replace"), r.stderr.decode("utf-8", "replace")

    rc, out, err = shell("PRAGMA integrity_check;")
    check.expect(rc == 0 and out.strip() == "ok", name + ": integrity_check %r %r" % (out, err))
    ordered, schema = expected_schema(header)
    rc, out, err = shell(".schema")
    check.expect(out.strip() == schema, name + ": schema\n%s\nexpected\n%s" % (out.strip(), schema))
    rc, out, err = shell(".mode csv", ".headers on", "SELECT * FROM tblKinsheet ORDER BY rowid;")
    got = list(csv.reader(io.StringIO(out, newline="")))
    check.expect(rc == 0 and got and got[0] == ordered, name + ": columns %r" % (got[0] if got else None))
    want = by_access_name(header, rows)
    check.expect(len(got) - 1 == len(want), name + ": %d rows, CSV has %d" % (len(got) - 1, len(want)))
    for i, (a, b) in enumerate(zip(got[1:], want)):
        check.expect(as_in_csv(a) == [b[n] for n in ordered], "%s: row %d is %r, CSV %r" % (name, i + 1, a, b))


def check_sqlite_python(check, path, name, header, rows, ged, fields):
    import sqlite3
    db = sqlite3.connect("file:" + path + "?mode=ro", uri=True)
    ordered, _ = expected_schema(header)
    cur = db.execute("SELECT * FROM tblKinsheet ORDER BY rowid")
    check.expect([d[0] for d in cur.description] == ordered, name + ": columns")
    want = by_access_name(header, rows)
    got = cur.fetchall()
    check.expect(len(got) == len(want), name + ": %d rows, CSV has %d" % (len(got), len(want)))
    for i, (a, b) in enumerate(zip(got, want)):
        # Every value TEXT, the empty text and never NULL.
        check.expect(all(isinstance(v, str) for v in a), "%s: row %d holds a non-text value %r" % (name, i + 1, a))
        check.expect(as_in_csv(a) == [b[n] for n in ordered], "%s: row %d is %r, CSV %r" % (name, i + 1, a, b))
    for n in ordered:
        nulls = db.execute('SELECT count(*) FROM tblKinsheet WHERE "%s" IS NULL OR typeof("%s") <> \'text\'' % (n, n))
        check.expect(nulls.fetchone()[0] == 0, name + ": %s holds NULL or non-text values" % n)
    info = dict(db.execute("SELECT key, value FROM kinsheet_info"))
    # The path as the tool made it absolute, without resolving "..".
    source = ged if os.path.isabs(ged) else os.path.join(os.getcwd(), ged)
    check.expect(info.get("source_file") == decode(source.encode("utf-8", "surrogateescape")),
                 name + ": source_file %r" % info.get("source_file"))
    check.expect(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", info.get("export_time", "")) is not None,
                 name + ": export_time %r" % info.get("export_time"))
    check.expect(info.get("program") == "Kinsheet", name + ": program %r" % info.get("program"))
    check.expect(re.fullmatch(r"\d+\.\d+", info.get("program_version", "")) is not None,
                 name + ": program_version %r" % info.get("program_version"))
    check.expect(info.get("fields") == ",".join(ordered), name + ": fields %r" % info.get("fields"))
    if "INDI_ID" in ordered:
        plan = " ".join(str(r) for r in db.execute("EXPLAIN QUERY PLAN SELECT * FROM tblKinsheet WHERE INDI_ID='I1'"))
        check.expect("idx_tblKinsheet_INDI_ID" in plan, name + ": the INDI_ID index is not used: " + plan)
    db.close()


# ---------------------------------------------------------------- inputs

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


def generated_inputs(gedgen, work, large):
    made = []
    if large:
        path = os.path.join(work, "large-100000.ged")
        subprocess.run([gedgen, "--people", "100000", "--seed", "5", "--non-ascii", "-o", path], check=True)
        return [path]
    crafted = os.path.join(work, "crafted=[x].ged")
    crafted_gedcom(crafted)
    made.append(crafted)
    if gedgen:
        for enc, eol in (("utf8", "lf"), ("cp1252", "crlf")):
            path = os.path.join(work, "gen-%s.ged" % enc)
            subprocess.run([gedgen, "--people", "400", "--seed", "3", "--encoding", enc, "--non-ascii",
                            "--line-ends", eol, "-o", path], check=True)
            made.append(path)
    return made


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--reader", required=True, choices=["openpyxl", "ssconvert", "sqlite3-shell", "sqlite3-python"])
    ap.add_argument("--batch", required=True)
    ap.add_argument("--gedgen", default="")
    ap.add_argument("--work", required=True)
    ap.add_argument("--large", action="store_true", help="only a generated 100,000-person file")
    ap.add_argument("files", nargs="*")
    args = ap.parse_args()

    if args.reader == "openpyxl":
        try:
            import openpyxl  # noqa: F401
        except ImportError:
            skip("python3-openpyxl is not installed")
    elif args.reader == "ssconvert" and shutil.which("ssconvert") is None:
        skip("ssconvert (gnumeric) is not installed")
    elif args.reader == "sqlite3-shell" and shutil.which("sqlite3") is None:
        skip("the sqlite3 shell is not installed")
    if not os.access(args.batch, os.X_OK):
        skip("no kinsheet-batch at " + args.batch)
    if args.large and not (args.gedgen and os.access(args.gedgen, os.X_OK)):
        skip("no gedgen to make the large file")
    if not args.large and not args.files:
        skip("no public GEDCOM files given")

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    inputs = generated_inputs(args.gedgen, args.work, args.large) + ([] if args.large else args.files)
    fmt = "xlsx" if args.reader in ("openpyxl", "ssconvert") else "sqlite"
    field_sets = ["all"] if args.large else FIELD_SETS
    check = Checker()
    exports = 0
    for ged in inputs:
        for fields in field_sets:
            name = "%s [%s]" % (os.path.basename(ged), fields)
            csv_path = os.path.join(args.work, "out.csv")
            out = os.path.join(args.work, "out." + fmt)
            rc, err = run_batch(args.batch, fields, ged, csv_path, "csv")
            if rc != 0:
                # A file the program refuses (no people) is refused alike.
                rc2, _ = run_batch(args.batch, fields, ged, out, fmt)
                check.expect(rc2 != 0, name + ": CSV refused but %s written" % fmt)
                continue
            rc, err = run_batch(args.batch, fields, ged, out, fmt)
            check.expect(rc == 0, name + ": export failed: " + err[-300:])
            if rc != 0:
                continue
            header, rows = read_our_csv(csv_path)
            exports += 1
            if args.reader == "openpyxl":
                check_openpyxl(check, out, name, header, rows, ged)
            elif args.reader == "ssconvert":
                check_ssconvert(check, out, name, header, rows, args.work)
            elif args.reader == "sqlite3-shell":
                check_sqlite_shell(check, out, name, header, rows)
            else:
                check_sqlite_python(check, out, name, header, rows, ged, fields)
            leftovers = [f for f in os.listdir(args.work) if ".kinsheet-" in f]
            check.expect(not leftovers, name + ": temporaries left: %r" % leftovers)
    if exports == 0:
        skip("no input could be exported")
    print("%d exports, %d checks passed, %d failed" % (exports, check.passes, check.failures))
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
