"""What the checks of kinsheet-batch share: running it in a temporary
folder, reading its outputs back with readers we did not write, a counter
of checks, the exit code ctest shows as skipped, and the program's rule for
a value's bytes."""
import csv
import io
import shutil
import subprocess
import sys
import tempfile
import unittest

SKIP = 77

# The Access and SQLite field names, in the CSV's column order.
ACCESS_NAMES = [
    "INDI_ID", "FullName", "Surname", "Given", "Suffix", "Prefix", "Title", "Nick", "Sex",
    "Bir_Date", "Bir_Place", "Chr_Date", "Chr_Place", "Dea_Date", "Dea_Place", "Brl_Date",
    "Brl_Place", "FAMC_ID", "Father_ID", "Father", "Mother_ID", "Mother",
] + [f + "_" + str(k) for k in (1, 2, 3) for f in ("FAMS_ID", "Spouse_ID", "Spouse", "Mar_Date", "Mar_Place", "Ch")]


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIP)


def require(modules=(), programs=()):
    """Skips unless every Python module and program is installed."""
    for module in modules:
        try:
            __import__(module)
        except ImportError:
            skip("python3-%s is not installed" % module)
    for program in programs:
        if shutil.which(program) is None:
            skip(program + " is not installed")


class Checker:
    """Counts every check; prints only the first failures, cut short, so a
    broken export does not bury the summary."""
    SHOWN = 20

    def __init__(self):
        self.failures = 0
        self.passes = 0

    def expect(self, ok, what):
        if ok:
            self.passes += 1
        else:
            self.failures += 1
            if self.failures <= self.SHOWN:
                print("FAIL: " + what[:600])


def _cp1252_table():
    table = []
    for b in range(256):
        try:
            table.append(bytes([b]).decode("cp1252"))
        except UnicodeDecodeError:
            table.append(chr(b))  # the five undefined bytes keep their C1 value
    return table


_CP1252 = _cp1252_table()


def decode(raw):
    """A value's bytes as the program reads them: UTF-8 if valid, else Windows-1252."""
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return "".join(_CP1252[b] for b in raw)


def run(batch, *args, **options):
    return subprocess.run([batch, *args], capture_output=True, timeout=600, **options)


def export(batch, ged, out, *options):
    """A quiet export that may replace OUTPUT."""
    return run(batch, "export", "--quiet", "--force", *options, ged, out)


def csv_rows(text):
    return list(csv.reader(io.StringIO(text, newline="")))


def trimmed(rows):
    """Rows without their trailing empty values, and no empty rows at the end."""
    rows = [list(r) for r in rows]
    for row in rows:
        while row and row[-1] == "":
            row.pop()
    while rows and not rows[-1]:
        rows.pop()
    return rows


# Each reader gives every row of the sheet or table, the captions first.

def xls_rows(path):
    import xlrd
    sheet = xlrd.open_workbook(path).sheet_by_index(0)
    return [[sheet.cell_value(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]


def xlsx_rows(path):
    import openpyxl
    sheet = openpyxl.load_workbook(path, read_only=True).worksheets[0]
    return [["" if v is None else v for v in row] for row in sheet.iter_rows(values_only=True)]


def sqlite_rows(path, query="SELECT * FROM tblKinsheet ORDER BY rowid"):
    import sqlite3
    db = sqlite3.connect("file:" + path + "?mode=ro", uri=True)
    cursor = db.execute(query)
    rows = [[d[0] for d in cursor.description]] + [list(r) for r in cursor]
    db.close()
    return rows


def sqlite_shell_rows(path):
    r = subprocess.run(["sqlite3", "-bail", "-csv", "-header", path, "SELECT * FROM tblKinsheet ORDER BY rowid"],
                       capture_output=True, check=True)
    return csv_rows(r.stdout.decode("utf-8"))


def mdb_rows(path):
    r = subprocess.run(["mdb-export", path, "tblKinsheet"], capture_output=True, check=True)
    return csv_rows(r.stdout.decode("utf-8"))


def by_name(rows, names):
    """The people of a table read by field name, in the order of NAMES."""
    at = {name: i for i, name in enumerate(rows[0])}
    return [[row[at[n]] for n in names] for row in rows[1:]]


class Work(unittest.TestCase):
    """A test with a temporary folder of its own; BATCH is the tool."""
    batch = None

    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.dir = tmp.name

    def path(self, name):
        return self.dir + "/" + name

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def export(self, ged, out, *options):
        r = export(self.batch, ged, self.path(out), *options)
        self.assertEqual(r.returncode, 0, r.stderr)
        return r

    def csv(self, name):
        return csv_rows(self.read(name).decode("utf-8"))
