"""How kinsheet-batch reads GEDCOM bytes, checked from the outside: code
pages byte by byte against Python's codecs, ANSEL through independent
readers of the workbook and the database, pipes, what standard error says
about the reading, and the limit on problem messages."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import ANSEL_MARKS, ANSEL_SPACING, Work, run  # noqa: E402

BATCH, GEDGEN = (os.path.abspath(a) for a in sys.argv[1:3])
Work.batch = BATCH


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
    def test_every_mark_and_spacing_character_person_by_person(self):
        # A person per mark, over capitals at birth and small letters at
        # death, and the spacing characters between letters.
        lines = [b"0 HEAD", b"1 CHAR ANSEL"]
        for mark in ANSEL_MARKS:
            lines += [b"0 @M%X@ INDI" % mark,
                      b"1 BIRT", b"2 PLAC " + b"".join(bytes([mark]) + c for c in (b"A", b"C", b"E", b"G", b"N", b"O")),
                      b"1 DEAT", b"2 PLAC " + b"".join(bytes([mark]) + c for c in (b"c", b"i", b"s", b"u", b"y", b"z"))]
        spacing = sorted(ANSEL_SPACING)
        for i in range(0, len(spacing), 10):
            lines += [b"0 @S%d@ INDI" % i, b"1 BIRT", b"2 PLAC x" + b"x".join(bytes([b]) for b in spacing[i:i + 10]),
                      b"1 DEAT", b"2 PLAC \xE2" + bytes([spacing[i]]) + b" \xF0c"]
        ged = self.write("ansel.ged", b"\r\n".join(lines + [b"0 TRLR", b""]))
        want = self.check_ansel_places(ged)
        # Composed where Unicode has the letter: cedilla and comma below differ.
        self.assertEqual(want["MF0"], ("A\u0327\u00C7\u0228\u0122\u0145O\u0327",
                                       "\u00E7i\u0327\u015Fu\u0327y\u0327z\u0327"))
        self.assertEqual(want["MF7"][1], "c\u0326i\u0326\u0219u\u0326y\u0326z\u0326")


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
        self.assertEqual(len(lines), 103, lines[-3:])
        self.assertTrue(all(line.startswith("Kinsheet: Problem parsing GedRec: ") for line in lines[:100]))
        # The reading report counts every one.
        self.assertEqual(lines[100:], ["Kinsheet: 50 more lines could not be read. Is this a GEDCOM file?",
                                       "Kinsheet: No GED data in file!",
                                       "Kinsheet: Reading report: 150 entries (150 unreadable lines)"])

    def test_how_a_file_is_read_is_said_once_and_only_when_not_plain(self):
        declared = "0 HEAD\n1 CHAR %s\n0 @I1@ INDI\n"
        cp437, mac = (self.write(n + ".ged", (declared % n).encode()) for n in ("IBMPC", "MACINTOSH"))
        person = "0 HEAD\r\n1 CHAR UNICODE\r\n0 @I1@ INDI\r\n1 NAME Zo\u00eb /\u015aliwa/\r\n"
        for ged, note in ((self.write("le.ged", ("\ufeff" + person).encode("utf-16-le")), "UTF-16 (little-endian)"),
                          (self.write("be.ged", ("\ufeff" + person).encode("utf-16-be")), "UTF-16 (big-endian)"),
                          (self.write("ansel.ged", b"0 HEAD\r\n1 CHAR ANSEL\r\n0 @I1@ INDI\r\n1 NAME M\xe8uller\r\n"),
                           "ANSEL (declared in the file)"),
                          (cp437, "code page 437 (declared in the file)"),
                          (mac, "Mac OS Roman (declared in the file)"),
                          (self.write("bom.ged", b"\xef\xbb\xbf0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Zo\xc3\xab\n"), None),
                          (self.write("ansi.ged", b"0 HEAD\n1 CHAR ANSI\n0 @I1@ INDI\n1 NAME Jos\xe9\n"), None),
                          # The version is the header's GEDC.VERS, never the program's SOUR.VERS.
                          (self.write("seven.ged", b"\xef\xbb\xbf0 HEAD\n1 GEDC\n2 VERS 7.0\n1 SOUR X\n2 VERS 7.3\n"
                                      b"0 @I1@ INDI\n1 NAME Zo\xc3\xab\n"), "GEDCOM 7.0"),
                          (self.write("sour7.ged", b"0 HEAD\n1 SOUR X\n2 VERS 7.0\n1 GEDC\n2 VERS 5.5.1\n"
                                      b"0 @I1@ INDI\n"), None)):
            r = batch("counters", ged)
            self.assertEqual(r.returncode, 0, ged)
            said = ("Kinsheet: Reading as %s, converted to UTF-8\n" % note if note and "GEDCOM" not in note
                    else "Kinsheet: Reading as %s\n" % note if note else "")
            self.assertEqual(r.stderr.decode(), said, ged)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
