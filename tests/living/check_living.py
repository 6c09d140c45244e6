#!/usr/bin/python3
"""Exports the three-generation family under each living-people option with
kinsheet-batch and reads every row back with readers we did not write:
the CSV byte for byte against the hand-written expected file, the .xls
through xlrd, the .mdb (Access 2000 and 95) through mdbtools' mdb-export,
the .xlsx through openpyxl and the SQLite database through the sqlite3
shell and Python's sqlite3 module, which also read the option back from
the kinsheet_info table.
Then the .xls row limit, which must follow the rows actually written.

Exit codes: 0 all passed, 1 a check failed, 77 a reader is missing.
"""
import argparse
import csv
import io
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import SKIP, Checker  # noqa: E402

MODES = ("include", "private", "exclude")

# Access field names in column order; the database stores them in its own
# order, so rows are read by name.
ACCESS_NAMES = [
    "INDI_ID", "FullName", "Surname", "Given", "Suffix", "Prefix", "Title", "Nick", "Sex",
    "Bir_Date", "Bir_Place", "Chr_Date", "Chr_Place", "Dea_Date", "Dea_Place", "Brl_Date",
    "Brl_Place", "FAMC_ID", "Father_ID", "Father", "Mother_ID", "Mother",
] + [f + "_" + str(k) for k in (1, 2, 3)
     for f in ("FAMS_ID", "Spouse_ID", "Spouse", "Mar_Date", "Mar_Place", "Ch")]


def read_csv_text(text):
    return [row for row in csv.reader(io.StringIO(text, newline=""))]


def trimmed(row):
    row = list(row)
    while row and row[-1] == "":
        row.pop()
    return row


def run_batch(batch, args, expect_ok=True):
    proc = subprocess.run([batch, "export", "--quiet", "--force"] + args,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if expect_ok and proc.returncode != 0:
        raise SystemExit("FAIL: kinsheet-batch %s: %s" % (" ".join(args), proc.stderr))
    return proc


def xls_rows(path):
    import xlrd
    sheet = xlrd.open_workbook(path).sheet_by_index(0)
    grid = [[sheet.cell_value(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]
    # Captions in row 1, row 2 empty, people from row 3.
    rows = [trimmed(r) for r in grid[2:]]
    while rows and not rows[-1]:
        rows.pop()
    return rows


def mdb_rows(path):
    out = subprocess.run(["mdb-export", path, "tblKinsheet"], stdout=subprocess.PIPE,
                         check=True, text=True).stdout
    table = read_csv_text(out)
    header, body = table[0], table[1:]
    at = {name: i for i, name in enumerate(header)}
    return header, [trimmed(row[at[name]] for name in ACCESS_NAMES) for row in body]


def xlsx_rows(path):
    import openpyxl
    sheet = openpyxl.load_workbook(path).worksheets[0]
    # Captions in row 1, people from row 2; an empty value is no cell.
    rows = [trimmed("" if v is None else v for v in row) for row in sheet.iter_rows(min_row=2, values_only=True)]
    while rows and not rows[-1]:
        rows.pop()
    return rows


def sqlite_rows(path):
    import sqlite3
    db = sqlite3.connect("file:" + path + "?mode=ro", uri=True)
    names = ", ".join('"%s"' % n for n in ACCESS_NAMES)
    rows = [trimmed(r) for r in db.execute("SELECT %s FROM tblKinsheet ORDER BY rowid" % names)]
    info = dict(db.execute("SELECT key, value FROM kinsheet_info"))
    db.close()
    return rows, info


def sqlite_shell_rows(path):
    out = subprocess.run(["sqlite3", "-bail", "-csv", path, "SELECT %s FROM tblKinsheet ORDER BY rowid"
                          % ", ".join('"%s"' % n for n in ACCESS_NAMES)],
                         stdout=subprocess.PIPE, check=True, text=True).stdout
    return [trimmed(r) for r in read_csv_text(out)]


def check_family(args, check):
    ged = os.path.join(args.data, "three_generations.ged")
    for mode in MODES:
        with open(os.path.join(args.data, "expected_%s.csv" % mode), "rb") as f:
            expected_bytes = f.read()
        expected = [trimmed(r) for r in read_csv_text(expected_bytes.decode("utf-8"))[1:]]
        base = os.path.join(args.work, mode)

        run_batch(args.batch, ["--living", mode, ged, base + ".csv"])
        with open(base + ".csv", "rb") as f:
            check.expect(f.read() == expected_bytes, mode + ": CSV differs from expected_%s.csv" % mode)

        run_batch(args.batch, ["--living", mode, ged, base + ".xls"])
        got = xls_rows(base + ".xls")
        check.expect(got == expected, mode + ": xlrd rows\n  got      %r\n  expected %r" % (got, expected))

        for fmt in ("mdb", "mdb95"):
            path = base + "-" + fmt + ".mdb"
            run_batch(args.batch, ["--living", mode, "--format", fmt, ged, path])
            header, got = mdb_rows(path)
            check.expect(sorted(header) == sorted(ACCESS_NAMES), fmt + ": fields " + repr(header))
            check.expect(got == expected,
                         "%s %s: mdb-export rows\n  got      %r\n  expected %r" % (mode, fmt, got, expected))

        run_batch(args.batch, ["--living", mode, ged, base + ".xlsx"])
        got = xlsx_rows(base + ".xlsx")
        check.expect(got == expected, mode + ": openpyxl rows\n  got      %r\n  expected %r" % (got, expected))

        run_batch(args.batch, ["--living", mode, "--living-years", "110", ged, base + ".sqlite"])
        got, info = sqlite_rows(base + ".sqlite")
        check.expect(got == expected, mode + ": sqlite3 rows\n  got      %r\n  expected %r" % (got, expected))
        check.expect(info.get("living") == mode and info.get("living_years") == "110",
                     mode + ": kinsheet_info says %r, %r" % (info.get("living"), info.get("living_years")))
        got = sqlite_shell_rows(base + ".sqlite")
        check.expect(got == expected, mode + ": sqlite3 shell rows\n  got      %r\n  expected %r" % (got, expected))


def check_row_limit(args, check):
    # 65,535 people are one too many for a sheet; left out, the one without
    # dates makes room, and every count follows the rows written.
    ged = os.path.join(args.work, "limit.ged")
    with open(ged, "w", newline="\n") as f:
        f.write("0 HEAD\n0 @I1@ INDI\n1 NAME Young /One/\n")
        for i in range(2, 65536):
            f.write("0 @I%d@ INDI\n1 DEAT Y\n" % i)
        f.write("0 TRLR\n")
    out = os.path.join(args.work, "limit.xls")
    proc = run_batch(args.batch, ["--fields", "16", ged, out], expect_ok=False)
    check.expect(proc.returncode == 1 and not os.path.exists(out),
                 "include: 65,535 people should be refused, exit %d" % proc.returncode)
    run_batch(args.batch, ["--fields", "16", "--living", "exclude", ged, out])
    import xlrd
    sheet = xlrd.open_workbook(out).sheet_by_index(0)
    check.expect(sheet.nrows == 65536, "exclude: %d rows in the sheet" % sheet.nrows)
    check.expect(sheet.cell_value(2, 0) == "I2" and sheet.cell_value(65535, 0) == "I65535",
                 "exclude: first and last ids %r %r" % (sheet.cell_value(2, 0), sheet.cell_value(65535, 0)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--batch", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    try:
        import xlrd  # noqa: F401
    except ImportError:
        print("SKIP: python3-xlrd is not installed")
        return SKIP
    try:
        import openpyxl  # noqa: F401
    except ImportError:
        print("SKIP: python3-openpyxl is not installed")
        return SKIP
    for tool, package in (("mdb-export", "mdbtools"), ("sqlite3", "sqlite3")):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed" % package)
            return SKIP
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    check = Checker()
    check_family(args, check)
    check_row_limit(args, check)
    print("%d failure(s)" % check.failures)
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
