"""kinsheet-batch on the public GEDCOM files (real files from elsewhere,
found through the KINSHEET_TESTDATA setting): the load counters against a
count of our own, and ANSEL.GED person by person in the CSV, the workbook
and the database. Exit code 77 (skipped) when the folder is missing, unless
the run requires it."""
import argparse
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
        # GEDCOM 7's null pointer links to no family.
        if path == b"INDI:FAMS" and line.split(b" ")[-1] == b"@VOID@":
            continue
        if path in counted and (level == 0) == (path in (b"INDI", b"FAM")):
            c[counted[path]] += 1
    return c


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

    def test_ansel_places_person_by_person_in_every_reader(self):
        want = self.check_ansel_places(os.path.join(FOLDER, "ANSEL.GED"))
        # The file's two parents and 33 children, the places of most filled.
        self.assertEqual(len(want), 35)
        self.assertGreater(sum(1 for places in want.values() if all(places)), 25)


if __name__ == "__main__":
    FOLDER = public_gedcom(ARGS.public, ARGS.require)
    unittest.main(argv=[sys.argv[0], "-v"])
