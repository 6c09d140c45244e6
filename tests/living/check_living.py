#!/usr/bin/python3
"""Exports the three-generation family under each living-people option with
kinsheet-batch and reads every row back with readers we did not write: the
CSV byte for byte against the hand-written expected file, the .xls through
xlrd, the .mdb (Access 2000 and 95) through mdb-export, the .xlsx through
openpyxl and the SQLite database through the sqlite3 shell and Python's
sqlite3 module, which also reads the option back from kinsheet_info.
Then the .xls row limit, which must follow the rows actually written.

Exit codes: 0 all passed, 1 a check failed, 77 a reader is missing.
"""
import argparse
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import (ACCESS_NAMES, Checker, by_name, csv_rows, export, mdb_rows, require,  # noqa: E402
                          sqlite_rows, sqlite_shell_rows, trimmed, xls_rows, xlsx_rows)

# Each format and the people its reader sees: the workbooks after their
# captions (and the empty second row of an .xls), the tables by field name.
READERS = [
    ("xls", lambda p: xls_rows(p)[2:]),
    ("mdb", lambda p: by_name(mdb_rows(p), ACCESS_NAMES)),
    ("mdb95", lambda p: by_name(mdb_rows(p), ACCESS_NAMES)),
    ("xlsx", lambda p: xlsx_rows(p)[1:]),
    ("sqlite", lambda p: by_name(sqlite_rows(p), ACCESS_NAMES)),
    ("sqlite", lambda p: by_name(sqlite_shell_rows(p), ACCESS_NAMES)),
]


def exported(args, check, ged, out, *options):
    r = export(args.batch, ged, out, *options)
    check.expect(r.returncode == 0, "%s %s: %s" % (out, options, r.stderr.decode("utf-8", "replace")))
    return r.returncode == 0


def check_family(args, check):
    ged = os.path.join(args.data, "three_generations.ged")
    for mode in ("include", "private", "exclude"):
        with open(os.path.join(args.data, "expected_%s.csv" % mode), "rb") as f:
            expected_bytes = f.read()
        expected = trimmed(csv_rows(expected_bytes.decode("utf-8"))[1:])
        out = os.path.join(args.work, mode + ".csv")
        if exported(args, check, ged, out, "--living", mode):
            with open(out, "rb") as f:
                check.expect(f.read() == expected_bytes, mode + ": CSV differs from expected_%s.csv" % mode)
        for number, (fmt, read) in enumerate(READERS):
            out = os.path.join(args.work, "%s-%d.%s" % (mode, number, fmt))
            if exported(args, check, ged, out, "--living", mode, "--living-years", "110", "--format", fmt):
                got = trimmed(read(out))
                check.expect(got == expected, "%s %s, reader %d:\n  got      %r\n  expected %r"
                             % (mode, fmt, number, got, expected))
        info = dict(sqlite_rows(out, "SELECT key, value FROM kinsheet_info")[1:])
        check.expect(info.get("living") == mode and info.get("living_years") == "110",
                     mode + ": kinsheet_info says %r, %r" % (info.get("living"), info.get("living_years")))


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
    r = export(args.batch, ged, out, "--fields", "16")
    check.expect(r.returncode == 1 and not os.path.exists(out),
                 "include: 65,535 people should be refused, exit %d" % r.returncode)
    if exported(args, check, ged, out, "--fields", "16", "--living", "exclude"):
        ids = [row[0] for row in xls_rows(out)]
        check.expect(len(ids) == 65536, "exclude: %d rows in the sheet" % len(ids))
        check.expect(ids[2] == "I2" and ids[-1] == "I65535", "exclude: first and last ids %r %r" % (ids[2], ids[-1]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--batch", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    require(modules=("xlrd", "openpyxl"), programs=("mdb-export", "sqlite3"))
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    check = Checker()
    check_family(args, check)
    check_row_limit(args, check)
    print("%d failure(s)" % check.failures)
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
