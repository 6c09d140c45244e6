"""How kinsheet-batch reads GEDCOM bytes, checked from the outside: code
pages byte by byte against Python's codecs, ANSEL through independent
readers of the workbook and the database, pipes, what standard error says
about the reading, and the limit on problem messages."""
import os
import subprocess
import sys
import unicodedata
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import Work, by_name, mdb_rows, run, xls_rows  # noqa: E402

BATCH, GEDGEN, GEDCOM_DIR = (os.path.abspath(a) for a in sys.argv[1:4])
Work.batch = BATCH

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


def batch(*args):
    return run(BATCH, *args)


class CodePages(Work):
    def test_every_byte_against_python(self):
        for declared, codec in (("IBMPC", "cp437"), ("MACINTOSH", "mac_roman")):
            lines = [b"0 HEAD", b"1 CHAR " + declared.encode()]
            want = {}
            for b in set(range(256)) - {0x0A, 0x0D}:  # not the line ends
                # 0xFF is never UTF-8, so each line is converted.
                value = b"x" + bytes([b]) + b"\xff"
                lines += [b"0 @I%d@ INDI" % b, b"1 BIRT", b"2 PLAC " + value]
                want["I%d" % b] = value.decode(codec).replace('"', "'")
            ged = self.write(codec + ".ged", b"\r\n".join(lines + [b"0 TRLR", b""]))
            self.assertIn(b"Reading as", self.export(ged, codec + ".csv", "--fields", "16,7").stderr)
            self.assertEqual(dict(self.csv(codec + ".csv")[1:]), want, codec)


class AnselInEveryFormat(Work):
    def test_csv_workbook_and_database_show_composed_letters(self):
        ged = os.path.join(GEDCOM_DIR, "ANSEL.GED")
        with open(ged, "rb") as f:
            places = {ansel_decode(line[7:]) for line in f.read().split(b"\r\n") if line.startswith(b"2 PLAC ")}
        self.assertNotIn(None, places)
        places = {p.strip(" ") for p in places}
        for fmt in ("csv", "xls", "mdb"):
            self.export(ged, "a." + fmt, "--fields", "16,7")
        from_csv = dict(self.csv("a.csv")[1:])
        found = [value for value in from_csv.values() if value]
        self.assertGreater(len(found), 25)
        for value in found:
            # Long values are cut to the field's width.
            self.assertTrue(any(p.startswith(value) for p in places), value)
        # Umlaut over the alphabet: precomposed where Unicode has the letter.
        self.assertIn("\u00C4B\u0308C\u0308D\u0308\u00CB", "".join(found))
        self.assertEqual({k: v for k, v in xls_rows(self.path("a.xls"))[2:] if k}, from_csv)
        self.assertEqual(dict(by_name(mdb_rows(self.path("a.mdb")), ["INDI_ID", "Bir_Place"])), from_csv)


class Pipes(Work):
    def test_standard_input_reads_like_the_file(self):
        for encoding in ("utf8", "utf16le"):
            ged = self.path(encoding + ".ged")
            subprocess.run([GEDGEN, "--people", "40000", "--non-ascii", "--line-ends", "crlf",
                            "--encoding", encoding, "-o", ged], check=True)
            self.assertGreater(os.path.getsize(ged), 5_000_000)
            for options in ([], ["--literal"]):
                from_file = batch("counters", *options, ged)
                with open(ged, "rb") as f:
                    piped = subprocess.run(["sh", "-c", 'cat "$1" | "$0" counters $2 /dev/stdin', BATCH,
                                            ged, " ".join(options)], stdin=f, capture_output=True)
                self.assertEqual((piped.returncode, piped.stdout), (from_file.returncode, from_file.stdout))
            self.assertIn(b'"IndividualCount":40000', batch("counters", ged).stdout)


class StandardError(Work):
    def test_first_hundred_problems_then_their_count(self):
        r = batch("counters", self.write("people.csv", b"".join(b"%d,Smith,John,1900\n" % i for i in range(150))))
        lines = r.stderr.decode().splitlines()
        self.assertEqual(len(lines), 102, lines[-3:])
        self.assertTrue(all(line.startswith("Kinsheet: Problem parsing GedRec: ") for line in lines[:100]))
        self.assertEqual(lines[100:], ["Kinsheet: 50 more lines could not be read. Is this a GEDCOM file?",
                                       "Kinsheet: No GED data in file!"])

    def test_how_a_file_is_read_is_said_once_and_only_when_not_plain(self):
        declared = "0 HEAD\n1 CHAR %s\n0 @I1@ INDI\n"
        cp437, mac = (self.write(n + ".ged", (declared % n).encode()) for n in ("IBMPC", "MACINTOSH"))
        for ged, note in ((os.path.join(GEDCOM_DIR, "sample55516le.ged"), "UTF-16 (little-endian)"),
                          (self.write("be.ged", "\ufeff0 HEAD\r\n0 @I1@ INDI\r\n".encode("utf-16-be")),
                           "UTF-16 (big-endian)"),
                          (os.path.join(GEDCOM_DIR, "ANSEL.GED"), "ANSEL (declared in the file)"),
                          (cp437, "code page 437 (declared in the file)"),
                          (mac, "Mac OS Roman (declared in the file)"),
                          (os.path.join(GEDCOM_DIR, "pres2020.ged"), None),
                          (os.path.join(GEDCOM_DIR, "Irish+Kings.ged"), None)):
            r = batch("counters", ged)
            self.assertEqual(r.returncode, 0, ged)
            said = "Kinsheet: Reading as %s, converted to UTF-8\n" % note if note else ""
            self.assertEqual(r.stderr.decode(), said, ged)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
