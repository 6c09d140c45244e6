"""How kinsheet-batch reads GEDCOM bytes, checked from the outside: code
pages byte by byte against Python's codecs, public UTF-8 files re-encoded
into every set the reader knows, ANSEL through independent readers of the
workbook and the database, pipes, and the limit on problem messages."""
import csv
import io
import os
import random
import subprocess
import sys
import tempfile
import unicodedata
import unittest

BATCH, GEDGEN, GEDCOM_DIR = (os.path.abspath(a) for a in sys.argv[1:4])

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


ANSEL_BYTE = {ch: bytes([b]) for b, ch in sorted(ANSEL_SPACING.items(), reverse=True) if ord(ch) >= 0x80}
ANSEL_BYTE.update({ch: bytes([b]) for b, ch in ANSEL_MARKS.items()})


def ansel_encode(text):
    """Text in ANSEL, marks before their letter; None when it cannot be."""
    out = bytearray()
    letter, marks = b"", b""
    for ch in unicodedata.normalize("NFD", text):
        if ch in ANSEL_MARKS.values():
            marks += ANSEL_BYTE[ch]
            continue
        out += marks + letter
        marks = b""
        if ord(ch) < 0x80:
            letter = ch.encode()
        elif ch in ANSEL_BYTE:
            letter = ANSEL_BYTE[ch]
        else:
            return None
    return bytes(out + marks + letter)


def run(*args, stdin=None):
    return subprocess.run([BATCH, *args], capture_output=True, timeout=600, input=stdin)


def csv_rows(path):
    with open(path, encoding="utf-8", newline="") as f:
        return list(csv.reader(f))


class Work(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.d = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.d, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def export(self, ged, out, *options):
        r = run("export", "--quiet", "--force", *options, ged, self.path(out))
        self.assertEqual(r.returncode, 0, r.stderr)
        return r


class CodePages(Work):
    def test_every_byte_against_python(self):
        for declared, codec in (("IBMPC", "cp437"), ("MACINTOSH", "mac_roman")):
            lines = [b"0 HEAD", b"1 CHAR " + declared.encode()]
            want = {}
            for b in range(256):
                if b in (0x0A, 0x0D):
                    continue  # line ends
                # 0xFF is never UTF-8, so each line is converted.
                value = b"x" + bytes([b]) + b"\xff"
                lines += [b"0 @I%d@ INDI" % b, b"1 BIRT", b"2 PLAC " + value]
                want["I%d" % b] = value.decode(codec)
            ged = self.write(codec + ".ged", b"\r\n".join(lines + [b"0 TRLR", b""]))
            r = self.export(ged, codec + ".csv", "--fields", "16,7")
            self.assertIn(b"Reading as", r.stderr)
            got = {row[0]: row[1] for row in csv_rows(self.path(codec + ".csv"))[1:]}
            self.assertEqual(len(got), 254)
            for key, value in want.items():
                self.assertEqual(got[key], value.replace('"', "'"), f"{codec} byte {key}")


class ReEncodedPublicFiles(Work):
    """A UTF-8 file written again in another set gives the same CSV, apart
    from the values holding characters the set lacks."""

    SETS = (("ANSEL", None), ("IBMPC", "cp437"), ("MACINTOSH", "mac_roman"),
            ("UNICODE", "utf-16-le"), ("UNICODE", "utf-16-be"), ("UNICODE", "utf-16"))

    def reencode(self, data, declared, codec):
        text = data.decode("utf-8-sig")
        lines = []
        for line in text.replace("\r\n", "\n").replace("\r", "\n").split("\n"):
            if line.strip(" ").upper().startswith("1 CHAR"):
                line = "1 CHAR " + declared
            lines.append(line)
        out = "\r\n".join(lines)
        if codec is None:
            # Character by character, so that one it lacks costs only itself.
            return b"\r\n".join(b"".join(ansel_encode(ch) or b"?" for ch in line) for line in lines)
        if codec.startswith("utf-16"):
            return out.encode(codec)
        return out.encode(codec, "replace")

    def holds(self, value, declared, codec):
        if codec is None:
            return ansel_encode(value) is not None
        try:
            value.encode(codec)
            return True
        except UnicodeEncodeError:
            return False

    def check(self, name, data):
        original = self.write("orig.ged", data)
        self.export(original, "orig.csv")
        want = csv_rows(self.path("orig.csv"))
        non_ascii = sum(1 for row in want for v in row if not v.isascii())
        self.assertGreater(non_ascii, 0, name)
        for declared, codec in self.SETS:
            ged = self.write("re.ged", self.reencode(data, declared, codec))
            self.export(ged, "re.csv")
            got = csv_rows(self.path("re.csv"))
            self.assertEqual(len(got), len(want), (name, codec))
            compared = 0
            for row_want, row_got in zip(want, got):
                for v_want, v_got in zip(row_want, row_got):
                    if self.holds(v_want, declared, codec):
                        self.assertEqual(v_got, v_want, (name, declared, codec))
                        compared += not v_want.isascii()
            self.assertGreater(compared, 0, (name, declared, codec))

    def test_public_utf8_files(self):
        for name in ("pres2020.ged", "5.5.1 sample 3.ged"):
            with open(os.path.join(GEDCOM_DIR, name), "rb") as f:
                self.check(name, f.read())

    def test_generated_names_of_many_languages(self):
        data = subprocess.run([GEDGEN, "--people", "3000", "--non-ascii"], capture_output=True,
                              check=True).stdout
        self.check("gedgen", data)


class AnselInEveryFormat(Work):
    def expected_places(self):
        with open(os.path.join(GEDCOM_DIR, "ANSEL.GED"), "rb") as f:
            lines = f.read().split(b"\r\n")
        places = set()
        for line in lines:
            if line.startswith(b"2 PLAC "):
                value = ansel_decode(line[7:])
                self.assertIsNotNone(value, line)
                places.add(value.strip(" "))
        return places

    def test_csv_workbook_and_database_show_composed_letters(self):
        ged = os.path.join(GEDCOM_DIR, "ANSEL.GED")
        self.export(ged, "a.csv", "--fields", "16,7")
        self.export(ged, "a.xls", "--fields", "16,7")
        self.export(ged, "a.mdb", "--fields", "16,7")
        from_csv = {row[0]: row[1] for row in csv_rows(self.path("a.csv"))[1:]}
        places = self.expected_places()
        found = 0
        for value in from_csv.values():
            if value:
                # Long values are cut to the field's width.
                self.assertTrue(any(p.startswith(value) for p in places), value)
                found += 1
        self.assertGreater(found, 25)
        # Umlaut over the alphabet: precomposed where Unicode has the letter.
        self.assertIn("\u00C4B\u0308C\u0308D\u0308\u00CB", "".join(from_csv.values()))

        script = ("import sys, xlrd, json\n"
                  "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                  "print(json.dumps({s.cell_value(r, 0): s.cell_value(r, 1) for r in range(1, s.nrows)}))\n")
        r = subprocess.run(["/usr/bin/python3", "-c", script, self.path("a.xls")], capture_output=True)
        if r.returncode != 0 and b"No module named" in r.stderr:
            self.fail("python3-xlrd is missing: run scripts/deps.sh")
        self.assertEqual(r.returncode, 0, r.stderr)
        import json
        from_xls = {k: v for k, v in json.loads(r.stdout).items() if k}
        self.assertEqual(from_xls, from_csv)

        r = subprocess.run(["mdb-export", self.path("a.mdb"), "tblKinsheet"], capture_output=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        rows = list(csv.DictReader(io.StringIO(r.stdout.decode("utf-8"))))
        from_mdb = {row["INDI_ID"]: row["Bir_Place"] for row in rows}
        self.assertEqual(from_mdb, from_csv)


class Pipes(Work):
    def test_standard_input_reads_like_the_file(self):
        for encoding in ("utf8", "utf16le"):
            ged = self.path(encoding + ".ged")
            subprocess.run([GEDGEN, "--people", "40000", "--non-ascii", "--line-ends", "crlf",
                            "--encoding", encoding, "-o", ged], check=True)
            self.assertGreater(os.path.getsize(ged), 5_000_000)
            for options in ([], ["--literal"]):
                from_file = run("counters", *options, ged)
                with open(ged, "rb") as f:
                    piped = subprocess.run(["sh", "-c", 'cat "$1" | "$0" counters $2 /dev/stdin', BATCH,
                                            ged, " ".join(options)], stdin=f, capture_output=True)
                self.assertEqual(piped.stdout, from_file.stdout, (encoding, options))
                self.assertEqual(piped.returncode, from_file.returncode)
            self.assertIn(b'"IndividualCount":40000', run("counters", ged).stdout)


class ProblemMessages(Work):
    def test_first_hundred_then_the_count(self):
        rows = b"".join(b"%d,Smith,John,1900\n" % i for i in range(150))
        r = run("counters", self.write("people.csv", rows))
        lines = r.stderr.decode().splitlines()
        self.assertEqual(len(lines), 102, lines[-3:])
        self.assertTrue(all(l.startswith("Kinsheet: Problem parsing GedRec: ") for l in lines[:100]))
        self.assertEqual(lines[100], "Kinsheet: 50 more lines could not be read. Is this a GEDCOM file?")
        self.assertEqual(lines[101], "Kinsheet: No GED data in file!")

    def test_a_picture_is_no_flood(self):
        rng = random.Random(5)
        picture = b"\x89PNG\r\n\x1a\n" + bytes(rng.randrange(256) for _ in range(400_000))
        r = run("counters", self.write("photo.ged", picture))
        lines = r.stderr.decode("utf-8", "replace").split("\nKinsheet: ")
        self.assertEqual(r.returncode, 1)
        self.assertLessEqual(len(lines), 102)
        self.assertTrue(r.stderr.endswith(b"Kinsheet: No GED data in file!\n"))
        self.assertIn(b"more lines could not be read. Is this a GEDCOM file?", r.stderr)


class ReadingNotes(Work):
    def test_said_once_and_only_when_not_plain(self):
        cases = {"sample55516le.ged": "Reading as UTF-16 (little-endian), converted to UTF-8",
                 "ANSEL.GED": "Reading as ANSEL (declared in the file), converted to UTF-8",
                 "pres2020.ged": None, "Irish+Kings.ged": None}
        for name, note in cases.items():
            r = run("counters", os.path.join(GEDCOM_DIR, name))
            self.assertEqual(r.returncode, 0, name)
            self.assertEqual(r.stderr.decode(), f"Kinsheet: {note}\n" if note else "", name)
        ged = self.write("be.ged", "\ufeff0 HEAD\r\n0 @I1@ INDI\r\n".encode("utf-16-be"))
        self.assertEqual(run("counters", ged).stderr,
                         b"Kinsheet: Reading as UTF-16 (big-endian), converted to UTF-8\n")
        for declared, words in (("IBMPC", b"code page 437"), ("MACINTOSH", b"Mac OS Roman")):
            ged = self.write("cp.ged", b"0 HEAD\n1 CHAR " + declared.encode() + b"\n0 @I1@ INDI\n")
            self.assertEqual(run("counters", ged).stderr,
                             b"Kinsheet: Reading as " + words + b" (declared in the file), converted to UTF-8\n")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
