#!/usr/bin/python3
"""Checks workbooks with an independent reader.

Samples mode (--samples-program): runs the sample writer, then compares
each NAME.xls with NAME.csv (the values) and, with xlrd, checks the
formatting of the export's 40 columns.
Export mode (--batch): exports every GEDCOM file given, or found when the
check runs in the public folder given with --public, with kinsheet-batch
to .xls and .csv and compares the workbook's data rows with the CSV file.

Exit codes: 0 all passed, 1 a check failed, 77 the reader or the public
folder is missing (with --require a missing folder fails), or there was
nothing to check.
"""
import argparse
import csv
import io
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import Checker, decode, public_gedcom, skip, trimmed  # noqa: E402


def read_csv_file(path):
    with open(path, newline="", encoding="utf-8") as f:
        return [row for row in csv.reader(f)]


# The widths of the export's 40 columns, in characters.
EXPORT_WIDTHS = [10, 40, 16, 20, 10, 10, 12, 12, 3, 11, 30, 11, 30, 11, 30, 11, 30, 10, 10, 30,
                 10, 30, 10, 10, 30, 11, 30, 3, 10, 10, 30, 11, 30, 3, 10, 10, 30, 11, 30, 3]


def width_in_chars(units):
    """The column width a user would see, from 1/256-digit units."""
    pixels = round(units * 7 / 256)
    return (pixels - 5) / 7 if pixels >= 12 else pixels / 12


def xlrd_grid(path, check=None, widths=None):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)
    grid = [[sheet.cell_value(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]
    if widths:
        check_formatting(book, sheet, check, widths, os.path.basename(path))
    return grid


def check_formatting(book, sheet, check, widths, name):
    check.expect(book.biff_version == 80, name + ": BIFF version %s" % book.biff_version)
    check.expect(book.codepage == 1200, name + ": code page %s" % book.codepage)
    fmt = lambda xf_index: book.format_map[book.xf_list[xf_index].format_key].format_str
    for c, width in enumerate(widths):
        xf = book.xf_list[sheet.cell_xf_index(0, c)]
        font = book.font_list[xf.font_index]
        where = "%s: caption %d" % (name, c + 1)
        check.expect(font.name == "Arial", where + " font %r" % font.name)
        check.expect(font.height == 200, where + " height %d" % font.height)
        check.expect(font.bold and font.weight == 700, where + " not bold")
        check.expect(fmt(sheet.cell_xf_index(0, c)) == "@", where + " format not @")
        info = sheet.colinfo_map.get(c)
        check.expect(info is not None, "%s: column %d has no width" % (name, c + 1))
        if info is not None:
            got = width_in_chars(info.width)
            check.expect(abs(got - width) < 1e-9, "%s: column %d width %s, expected %s" % (name, c + 1, got, width))
            check.expect(fmt(info.xf_index) == "@", "%s: column %d format not @" % (name, c + 1))
    # Every data cell is text-formatted, in the default font.
    for r in range(2, min(sheet.nrows, 50)):
        for c in range(sheet.ncols):
            if sheet.cell_type(r, c) == 0:
                continue
            xf_index = sheet.cell_xf_index(r, c)
            check.expect(fmt(xf_index) == "@", "%s: cell %d,%d format not @" % (name, r + 1, c + 1))
            check.expect(book.font_list[book.xf_list[xf_index].font_index].weight == 400,
                         "%s: cell %d,%d is bold" % (name, r + 1, c + 1))
            check.expect(sheet.cell_type(r, c) == 1, "%s: cell %d,%d is not text" % (name, r + 1, c + 1))


def read_grid(args, path, check=None, widths=None):
    if args.reader == "xlrd":
        return xlrd_grid(path, check, widths)
    return ssconvert_grid(path, args.work)


def ssconvert_grid(path, work):
    out = os.path.join(work, os.path.basename(path) + ".ssconvert.csv")
    result = subprocess.run(["ssconvert", "--export-type=Gnumeric_stf:stf_csv", path, out],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    if result.returncode != 0:
        raise RuntimeError("ssconvert failed: " + result.stderr.decode(errors="replace"))
    return read_csv_file(out)


def require(reader):
    if reader == "xlrd":
        try:
            import xlrd  # noqa: F401
        except ImportError:
            skip("python3-xlrd is not installed (scripts/deps.sh test installs it)")
    elif shutil.which("ssconvert") is None:
        skip("gnumeric's ssconvert is not installed (scripts/deps.sh test installs it)")


def compare(check, got, expected, name):
    got, expected = trimmed(got), trimmed(expected)
    check.expect(len(got) == len(expected), "%s: %d rows, expected %d" % (name, len(got), len(expected)))
    differing = [r for r, (g, e) in enumerate(zip(got, expected)) if g != e]
    for r in differing[:5]:
        check.expect(False, "%s: row %d differs\n  got      %r\n  expected %r" % (name, r + 1, got[r][:8],
                                                                                 expected[r][:8]))
    if not differing:
        check.expect(True, name)


def run_samples(args, check):
    os.makedirs(args.work, exist_ok=True)
    subprocess.run([args.samples_program, args.work], check=True)
    for name in ["header_only", "unicode", "large"]:
        path = os.path.join(args.work, name + ".xls")
        expected = read_csv_file(os.path.join(args.work, name + ".csv"))
        compare(check, read_grid(args, path, check, EXPORT_WIDTHS), expected, name)


def gedcom_inputs(paths):
    """The files given, and the .ged files of the folders given, at run time."""
    found = []
    for path in paths:
        if os.path.isdir(path):
            found += sorted(os.path.join(path, n) for n in os.listdir(path)
                            if n.lower().endswith(".ged"))
        elif os.path.isfile(path):
            found.append(path)
    return found


def export(args, fmt, fields, ged, out):
    return subprocess.run([args.batch, "export", "--format", fmt, "--force", "--quiet", "--fields", fields,
                           ged, out], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          stdin=subprocess.DEVNULL, timeout=600)


def run_export(args, check):
    inputs = gedcom_inputs(args.gedcom)
    if not inputs:
        skip("no GEDCOM files in " + " ".join(args.gedcom))
    os.makedirs(args.work, exist_ok=True)
    compared = 0
    for ged in inputs:
        base = os.path.join(args.work, os.path.splitext(os.path.basename(ged))[0].replace(" ", "_"))
        for fields in args.fields:
            stem = base + "-" + fields.replace(",", "_")
            results = {fmt: export(args, fmt, fields, ged, stem + "." + fmt) for fmt in ["csv", "xls"]}
            csv_rc, xls_rc = results["csv"].returncode, results["xls"].returncode
            if csv_rc != 0 and xls_rc == csv_rc:
                # The input itself is refused (not a GEDCOM the loader reads).
                print("note: %s refused by both formats" % os.path.basename(ged))
                continue
            if xls_rc != 0 or csv_rc != 0:
                check.expect(False, "%s: csv exit %d, xls exit %d: %s" % (
                    os.path.basename(stem), csv_rc, xls_rc,
                    results["xls"].stderr.decode(errors="replace")[-300:]))
                continue
            compare_export(args, check, stem, os.path.basename(stem), EXPORT_WIDTHS if fields == "all" else None)
            compared += 1
    if not compared:
        skip("no GEDCOM file could be exported")


def compare_export(args, check, stem, name, widths):
    # The CSV holds the work files' bytes; decode each value on its own.
    with open(stem + ".csv", "rb") as f:
        raw = f.read().decode("latin-1")
    csv_rows = [[decode(v.encode("latin-1")) for v in row]
                for row in csv.reader(io.StringIO(raw, newline=""))]
    grid = read_grid(args, stem + ".xls", check, widths)
    # The CSV writer turns double quotes into apostrophes.
    grid = [[str(v).replace('"', "'") for v in row] for row in grid]
    # Row 1 holds the Excel captions, row 2 is empty, people start in row 3.
    check.expect(len(grid) < 2 or not any(grid[1]), name + ": row 2 is not empty")
    compare(check, grid[2:], csv_rows[1:], name)
    captions = trimmed([grid[0]])[0] if grid else []
    check.expect(len(captions) == len(csv_rows[0]),
                 name + ": %d captions, the CSV has %d" % (len(captions), len(csv_rows[0])))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--reader", choices=["xlrd", "ssconvert"], required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--samples-program")
    parser.add_argument("--batch")
    parser.add_argument("--fields", action="append")
    parser.add_argument("--public", help="the folder of the public GEDCOM files")
    parser.add_argument("--require", action="store_true", help="fail, not skip, when that folder is missing")
    parser.add_argument("gedcom", nargs="*")
    args = parser.parse_args()
    require(args.reader)
    check = Checker()
    if args.samples_program:
        run_samples(args, check)
    else:
        if args.public is not None:
            args.gedcom.append(public_gedcom(args.public, args.require))
        args.fields = args.fields or ["all"]
        run_export(args, check)
    print("%d passed, %d failed" % (check.passes, check.failures))
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
