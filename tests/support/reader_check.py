"""What the checks of kinsheet-batch share: running it in a temporary
folder, reading its outputs back with readers we did not write, a counter
of checks, the exit code ctest shows as skipped, the folder of the public
GEDCOM files, the program's rule for a value's bytes and an ANSEL reading
of our own."""
import csv
import io
import os
import shutil
import subprocess
import sys
import tempfile
import unicodedata
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


def public_gedcom(folder, required):
    """The folder of the public GEDCOM files. Where it is missing the check
    is skipped saying which folder, or fails when the run requires it."""
    if folder and os.path.isdir(folder):
        return folder
    line = "the public GEDCOM folder %s is missing (set KINSHEET_TESTDATA)" % (folder or "(none given)")
    if required:
        print("FAIL: " + line)
        sys.exit(1)
    skip(line)


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


# ANSEL as GEDCOM uses it: spacing characters, and the combining marks that
# are written before their letter.
ANSEL_SPACING = {
    0xA1: "\u0141", 0xA2: "\u00D8", 0xA3: "\u0110", 0xA4: "\u00DE", 0xA5: "\u00C6", 0xA6: "\u0152",
    0xA7: "\u02B9", 0xA8: "\u00B7", 0xA9: "\u266D", 0xAA: "\u00AE", 0xAB: "\u00B1", 0xAC: "\u01A0",
    0xAD: "\u01AF", 0xAE: "\u02BE", 0xB0: "\u02BB", 0xB1: "\u0142", 0xB2: "\u00F8", 0xB3: "\u0111",
    0xB4: "\u00FE", 0xB5: "\u00E6", 0xB6: "\u0153", 0xB7: "\u02BA", 0xB8: "\u0131", 0xB9: "\u00A3",
    0xBA: "\u00F0", 0xBC: "\u01A1", 0xBD: "\u01B0", 0xBE: "\u25A1", 0xBF: "\u25A0", 0xC0: "\u00B0",
    0xC1: "\u2113", 0xC2: "\u2117", 0xC3: "\u00A9", 0xC4: "\u266F", 0xC5: "\u00BF", 0xC6: "\u00A1",
    0xC7: "\u00DF", 0xC8: "\u20AC", 0xCD: "e", 0xCE: "o", 0xCF: "\u00DF"}
ANSEL_MARKS = dict(zip(
    [*range(0xE0, 0xFD), 0xFE],
    "\u0309\u0300\u0301\u0302\u0303\u0304\u0306\u0307\u0308\u030C\u030A\uFE20\uFE21\u0315\u030B"
    "\u0310\u0327\u0328\u0323\u0324\u0325\u0333\u0332\u0326\u031C\u032E\uFE22\uFE23\u0338\u0313"))


def ansel_decode(data):
    """One line of ANSEL bytes as the reader should give it, or None."""
    out, marks = [], []
    for b in data:
        if b < 0x80:
            out.append(chr(b) + "".join(marks))
            marks = []
        elif b in ANSEL_MARKS:
            marks.append(ANSEL_MARKS[b])
        elif b in ANSEL_SPACING:
            out.append(ANSEL_SPACING[b] + "".join(marks))
            marks = []
        else:
            return None
    return unicodedata.normalize("NFC", "".join(out)) + "".join(marks)


def fitted(text, width=100):
    """A value as the work files keep it: cut to WIDTH characters, never
    between a letter and the combining marks after it, then trimmed."""
    chars = list(text)
    keep = min(width, len(chars))
    if keep < len(chars):
        while keep > 0 and unicodedata.category(chars[keep])[0] == "M":
            keep -= 1  # back to the letter the marks belong to
    return "".join(chars[:keep]).strip(" ")


def ansel_places(data):
    """Birth and death place of each person of an ANSEL GEDCOM file, as
    the export should show them: {INDI id: (birth place, death place)}."""
    people, person, event = {}, None, None
    for line in data.replace(b"\r\n", b"\n").replace(b"\r", b"\n").split(b"\n"):
        parts = line.strip(b" ").split(b" ", 2)
        if parts[0] == b"0":
            person = parts[1].strip(b"@").decode() if len(parts) > 2 and parts[2] == b"INDI" else None
            if person:
                people[person] = ["", ""]
        elif person and parts[0] == b"1":
            event = parts[1] if len(parts) > 1 else None
        elif person and parts[:2] == [b"2", b"PLAC"] and event in (b"BIRT", b"DEAT"):
            text = ansel_decode(parts[2] if len(parts) > 2 else b"")
            assert text is not None, line
            people[person][event == b"DEAT"] = fitted(text)
    return {k: tuple(v) for k, v in people.items()}


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

    def check_ansel_places(self, ged):
        """Exports GED (in ANSEL) to CSV, .xls and .mdb and reads each back
        with xlrd and mdbtools: every person's places against ansel_places,
        row by row under the person's own id."""
        with open(ged, "rb") as f:
            want = ansel_places(f.read())
        for fmt in ("csv", "xls", "mdb"):
            self.export(ged, "a." + fmt, "--fields", "16,7,11")
        got = {"csv": self.csv("a.csv")[1:],
               "xls": xls_rows(self.path("a.xls"))[2:],  # captions, then an empty row
               "mdb": by_name(mdb_rows(self.path("a.mdb")), ["INDI_ID", "Bir_Place", "Dea_Place"])}
        for fmt, rows in got.items():
            by_id = {row[0]: tuple(row[1:3]) for row in rows}
            self.assertEqual((len(rows), sorted(by_id)), (len(want), sorted(want)), fmt)
            for person, places in want.items():
                self.assertEqual(by_id[person], places, "%s, %s" % (fmt, person))
        return want
