"""kinsheet-batch on the public GEDCOM files (real files from elsewhere,
found through the KINSHEET_TESTDATA setting): the load counters against a
count of our own, and ANSEL.GED person by person in the CSV, the workbook
and the database. Exit code 77 (skipped) when the folder is missing, unless
the run requires it."""
import argparse
import csv
import json
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import Work, public_gedcom, run  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("batch")
parser.add_argument("--public", default="")
parser.add_argument("--require", action="store_true")
ARGS, _ = parser.parse_known_args()
Work.batch = os.path.abspath(ARGS.batch)


def reference_counters(data):
    """The eight load counters, counted independently of the program."""
    if data[:2] in (b"\xff\xfe", b"\xfe\xff"):
        data = data.decode("utf-16").encode("utf-8")
    tags, c = [], [0] * 8
    counted = {b"INDI": 0, b"INDI:BIRT:DATE": 1, b"INDI:CHR:DATE": 2, b"INDI:DEAT:DATE": 3,
               b"INDI:BURI:DATE": 4, b"FAM": 5, b"INDI:FAMS": 6, b"FAM:MARR:DATE": 7}
    # Of several BIRT (CHR, DEAT, BURI, MARR) in a record only the first
    # counts: the later ones are not read.
    structures = {b"INDI:BIRT", b"INDI:CHR", b"INDI:DEAT", b"INDI:BURI", b"FAM:MARR"}
    seen, skipping = set(), None
    for raw in re.split(rb"[\r\n]", data):
        line = raw.strip(b" ")
        if len(line) < 3 or not b"0" <= line[:1] <= b"9":
            continue
        level = line[0] - ord("0")
        tags = (tags + [b""] * 10)[:level + 1]
        if level == 0:
            tags[0] = line[-4:].strip(b" ")
        else:
            parts = line.split(b" ")
            tags[level] = parts[1] if len(parts) > 1 else b""
        path = b":".join(tags)
        if level == 0:
            seen, skipping = set(), None
        elif level == 1:
            skipping = path if path in seen else None
            if path in structures:
                seen.add(path)
        if skipping is not None and path.startswith(skipping + b":"):
            continue
        # GEDCOM 7's null pointer links to no family.
        if path == b"INDI:FAMS" and line.split(b" ")[-1] == b"@VOID@":
            continue
        if path in counted and (level == 0) == (path in (b"INDI", b"FAM")):
            c[counted[path]] += 1
    return c


def reference_links(data):
    """Pointers to ids that no record defines, and ids defined again, each
    with its line number (CR LF and LF CR end one line), found by a scan of
    our own: (line, record id, target) and (line, id)."""
    if data[:2] in (b"\xff\xfe", b"\xfe\xff"):
        data = data.decode("utf-16").encode("utf-8")
    xref = re.compile(rb"@([^@# ][^@ ]*)@")
    defined, duplicates, pointers, record = set(), [], [], ""
    for number, raw in enumerate(re.split(rb"\r\n|\n\r|\r|\n", data), 1):
        parts = raw.strip(b" ").split(b" ", 2)
        if len(parts) < 2 or not parts[0].isdigit():
            continue
        if parts[0] == b"0":
            m = xref.fullmatch(parts[1])
            record = m.group(1).decode("utf-8", "replace") if m else ""
            if m and m.group(1) in defined:
                duplicates.append((number, record))
            elif m:
                defined.add(m.group(1))
            continue
        m = xref.fullmatch(parts[2].strip(b" ")) if len(parts) == 3 else None
        if m and m.group(1) != b"VOID":
            pointers.append((number, record, m.group(1)))
    dangling = [(n, rec, t.decode("utf-8", "replace")) for n, rec, t in pointers if t not in defined]
    return dangling, duplicates


class PublicFiles(Work):
    def test_counters_match_an_independent_count(self):
        files = sorted(f for f in os.listdir(FOLDER) if f.lower().endswith(".ged"))
        self.assertTrue(files, "no GEDCOM files in " + FOLDER)
        for name in files:
            ged = os.path.join(FOLDER, name)
            r = run(self.batch, "counters", ged)
            self.assertEqual(r.returncode, 0, ged)
            got = json.loads(r.stdout)
            with open(ged, "rb") as f:
                want = reference_counters(f.read())
            self.assertEqual(got["counters"], want, ged)
            self.assertEqual((got["IndividualCount"], got["FamilyCount"]), (want[0], want[5]), ged)

    def test_reading_report_holds_every_dangling_pointer_and_duplicate_id(self):
        files = sorted(f for f in os.listdir(FOLDER) if f.lower().endswith(".ged"))
        for name in files:
            ged = os.path.join(FOLDER, name)
            report = self.path("report.csv")
            r = run(self.batch, "counters", "--report", report, ged)
            self.assertEqual(r.returncode, 0, ged)
            with open(report, encoding="utf-8", newline="") as f:
                rows = list(csv.reader(f))
            self.assertEqual(rows[0], ["Line", "Record_ID", "Problem", "Action"], ged)
            listed = {(int(row[0]), row[1], row[2].split(": ", 1)[-1]) for row in rows[1:]}
            kinds = {(int(row[0]), row[2].split(": ", 1)[0]) for row in rows[1:]}
            with open(ged, "rb") as f:
                dangling, duplicates = reference_links(f.read())
            for line, record, target in dangling:
                self.assertIn((line, record, "@%s@" % target), listed, "%s: pointer @%s@" % (ged, target))
                self.assertIn((line, "Pointer to an id that no record defines"), kinds, ged)
            for line, record in duplicates:
                self.assertIn((line, record, "@%s@" % record), listed, "%s: id @%s@" % (ged, record))
                self.assertIn((line, "Id defined again"), kinds, ged)
            # Nothing listed as dangling or duplicate that the scan did not find.
            self.assertEqual(sum(1 for k in kinds if k[1] == "Pointer to an id that no record defines"),
                             len(set(d[0] for d in dangling)), ged)
            self.assertEqual(sum(1 for k in kinds if k[1] == "Id defined again"), len(duplicates), ged)

    def test_ansel_places_person_by_person_in_every_reader(self):
        want = self.check_ansel_places(os.path.join(FOLDER, "ANSEL.GED"))
        # The file's two parents and 33 children, the places of most filled.
        self.assertEqual(len(want), 35)
        self.assertGreater(sum(1 for places in want.values() if all(places)), 25)


if __name__ == "__main__":
    FOLDER = public_gedcom(ARGS.public, ARGS.require)
    unittest.main(argv=[sys.argv[0], "-v"])
