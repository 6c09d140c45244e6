"""kinsheet-batch's command-line conventions and CSV options from the
outside: '-' as INPUT and OUTPUT, outputs that already exist (/dev/null),
CSV UTF-8 for Excel read back by Python's csv module and by LibreOffice,
and the formula guard for every character that starts a formula.

Usage: csv_options_test.py BATCH [CLASS ...]; the LibreOffice check runs
alone as its own test and is skipped (exit 77) without LibreOffice."""
import csv
import glob
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import Work, require, run, xlsx_rows  # noqa: E402

BATCH = os.path.abspath(sys.argv[1])
Work.batch = BATCH
BOM = b"\xef\xbb\xbf"

# Names and places with accents, as a genealogist's file has them.
ACCENTS = [("I1", "Müller", "Zürich"), ("I2", "Ñúñez", "São Paulo"), ("I3", "Łukasz", "Kraków")]


def accents_gedcom():
    lines = ["0 HEAD", "1 CHAR UTF-8"]
    for pid, surname, place in ACCENTS:
        lines += ["0 @%s@ INDI" % pid, "1 NAME Anna /%s/" % surname, "1 BIRT", "2 PLAC " + place]
    return "\r\n".join(lines + ["0 TRLR", ""]).encode("utf-8")


def batch(*args, **options):
    return run(BATCH, *args, **options)


class CsvForExcel(Work):
    def test_bom_then_the_plain_csv_byte_for_byte(self):
        ged = self.write("a.ged", accents_gedcom())
        self.export(ged, "plain.csv")
        self.export(ged, "excel.csv", "--csv-bom")
        plain, excel = self.read("plain.csv"), self.read("excel.csv")
        self.assertFalse(plain.startswith(BOM))
        self.assertEqual(excel, BOM + plain)

    def test_python_csv_reads_the_accents(self):
        ged = self.write("a.ged", accents_gedcom())
        self.export(ged, "excel.csv", "--csv-bom", "--fields", "16,0,7")
        with open(self.path("excel.csv"), encoding="utf-8-sig", newline="") as f:
            rows = list(csv.reader(f))
        self.assertEqual(rows[0], ["INDI_ID", "Surname", "Bir_Place"])
        self.assertEqual([tuple(r) for r in rows[1:]], ACCENTS)

    def test_options_refused_for_other_formats(self):
        ged = self.write("a.ged", accents_gedcom())
        for option in ("--csv-bom", "--csv-guard"):
            for out in ("a.txt", "a.xlsx", "a.mdb"):
                r = batch("export", option, ged, self.path(out))
                self.assertEqual(r.returncode, 2, (option, out))
                self.assertFalse(os.path.exists(self.path(out)))


class LibreOffice(Work):
    def test_libreoffice_opens_the_bom_csv_with_accents(self):
        soffice = shutil.which("soffice") or shutil.which("libreoffice")
        if soffice is None:
            print("SKIP: LibreOffice (soffice) is not installed")
            sys.exit(77)
        ged = self.write("a.ged", accents_gedcom())
        self.export(ged, "excel.csv", "--csv-bom", "--fields", "16,0,7")
        # LibreOffice's CSV import told the character set, as its import
        # dialog proposes for a file with a byte-order mark (headless, with
        # nothing said, it takes Windows-1252 whatever the mark): the mark
        # must not reach the first cell. Its workbook is read back.
        profile = "file://" + self.path("profile")
        r = subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless",
                            "--infilter=CSV:44,34,76,1", "--convert-to", "xlsx",
                            "--outdir", self.path("out"), self.path("excel.csv")],
                           capture_output=True, timeout=300)
        got = glob.glob(self.path("out/*.xlsx"))
        self.assertTrue(got, r.stdout + r.stderr)
        rows = [[str(v) for v in row] for row in xlsx_rows(got[0])]
        self.assertEqual(rows[0], ["INDI_ID", "Surname", "Bir_Place"])
        self.assertEqual([tuple(r) for r in rows[1:]], ACCENTS)


class FormulaGuard(Work):
    # Place value as written in the file (after the tag's space) -> what the
    # guarded CSV holds. A tab or CR leads the value as a formula's
    # character does; spaces are trimmed first, so a formula behind them is
    # guarded too.
    CASES = [
        ("=1+2", "'=1+2"),
        ("+49 30 1234", "'+49 30 1234"),
        ("-5", "'-5"),
        ("@SUM(A1)", "'@SUM(A1)"),
        ("\t=cmd", "'\t=cmd"),
        ("\r=cmd", "'\r=cmd"),
        ("  =trimmed", "'=trimmed"),
        ("a=b", "a=b"),
        ("Paris", "Paris"),
        ("'quoted", "'quoted"),
    ]

    def gedcom(self):
        # LF line ends told from the first 200 bytes (--literal): a CR later
        # on stays inside its value. The padding keeps the CR out of them.
        lines = ["0 HEAD", "1 NOTE " + "x" * 220]
        for i, (value, _) in enumerate(self.CASES):
            lines += ["0 @P%d@ INDI" % i, "1 NAME G /S/", "1 BIRT", "2 PLAC " + value]
        return self.write("f.ged", "\n".join(lines + ["0 TRLR", ""]).encode())

    def places(self, name):
        with open(self.path(name), encoding="utf-8", newline="") as f:
            return {r[0]: r[1] for r in list(csv.reader(f))[1:]}

    def test_every_leading_character(self):
        ged = self.gedcom()
        self.export(ged, "guarded.csv", "--literal", "--csv-guard", "--fields", "16,7")
        self.export(ged, "plain.csv", "--literal", "--fields", "16,7")
        guarded, plain = self.places("guarded.csv"), self.places("plain.csv")
        for i, (value, want) in enumerate(self.CASES):
            self.assertEqual(guarded["P%d" % i], want, repr(value))
            # The default keeps every value as it is.
            self.assertEqual(plain["P%d" % i], value.strip(" "), repr(value))

    def test_ids_and_captions_guarded_alike(self):
        # An id is a value like any other; the captions are the program's.
        ged = self.write("ids.ged", b"0 HEAD\r\n0 @-1@ INDI\r\n1 NAME A /B/\r\n0 TRLR\r\n")
        self.export(ged, "ids.csv", "--csv-guard", "--fields", "16,0")
        self.assertEqual(self.read("ids.csv"), b'"INDI_ID","Surname"\r\n"\'-1","B"\r\n')


class StandardStreams(Work):
    def test_dash_input_and_output_match_the_files(self):
        ged = self.write("a.ged", accents_gedcom())
        for fmt, ext in (("csv", "csv"), ("txt", "txt")):
            self.export(ged, "file." + ext)
            with open(ged, "rb") as f:
                r = batch("export", "--quiet", "--format", fmt, "-", "-", stdin=f)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.stdout, self.read("file." + ext), fmt)
        # CSV is what '-' gets without --format; the BOM comes along.
        r = batch("export", "--quiet", "--csv-bom", ged, "-")
        self.assertEqual(r.stdout, BOM + self.read("file.csv"))

    def test_dash_input_for_counters_and_browse(self):
        ged = self.write("a.ged", accents_gedcom())
        for command in ("counters", "browse"):
            with open(ged, "rb") as f:
                piped = batch(command, "-", stdin=f)
            from_file = batch(command, ged)
            self.assertEqual((piped.returncode, piped.stdout), (0, from_file.stdout), command)
            self.assertEqual(piped.stderr, b"", command)

    def test_a_reader_that_stops_early_leaves_nothing_behind(self):
        # Far more than a pipe holds; the reader takes one line ("| head -1").
        lines = ["0 HEAD"] + ["0 @I%d@ INDI\n1 NAME Given%d /Surname/" % (i, i) for i in range(20000)] + ["0 TRLR"]
        ged = self.write("big.ged", "\n".join(lines).encode())
        os.mkdir(self.path("tmp"))
        proc = subprocess.Popen([BATCH, "export", "--quiet", ged, "-"], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env=dict(os.environ, TMPDIR=self.path("tmp")))
        self.assertTrue(proc.stdout.readline().startswith(b'"INDI_ID"'))
        proc.stdout.close()
        errors = proc.stderr.read()
        proc.stderr.close()
        # Not killed by SIGPIPE: the failed write is reported and the work
        # folder removed.
        self.assertEqual(proc.wait(timeout=60), 1, errors)
        self.assertIn(b"Broken pipe", errors)
        self.assertEqual(os.listdir(self.path("tmp")), [])

    def test_formats_that_need_a_file_refuse_dash(self):
        ged = self.write("a.ged", accents_gedcom())
        for fmt in ("xls", "xlsx", "mdb", "mdb95", "sqlite"):
            r = batch("export", "--format", fmt, ged, "-", cwd=self.dir)
            self.assertEqual((r.returncode, r.stdout), (2, b""), fmt)
            self.assertIn(b"needs a file", r.stderr)
        self.assertEqual(os.listdir(self.dir), ["a.ged"])


class ExistingOutputs(Work):
    def test_dev_null_stays_dev_null(self):
        # Told by what the tool says it wrote: other programs may touch /dev
        # meanwhile.
        ged = self.write("a.ged", accents_gedcom())
        for fmt in ("csv", "txt"):
            r = batch("export", "--format", fmt, ged, "/dev/null")
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.stderr, b"Kinsheet: /dev/null created. Do you wish to view it now? [No]\n", fmt)
        # A format that needs a file refuses the device and leaves it be.
        r = batch("export", "--format", "xlsx", "--force", ged, "/dev/null")
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"Kinsheet: /dev/null is not a regular file", r.stderr)
        self.assertEqual([n for n in os.listdir("/dev") if n.startswith(".null.kinsheet-")], [])

    def test_extension_only_for_a_new_name(self):
        ged = self.write("a.ged", accents_gedcom())
        self.write("old", b"old contents")
        r = batch("export", "--quiet", "--force", "--format", "csv", ged, "old", cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        r = batch("export", "--quiet", "--format", "csv", ged, "new", cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sorted(os.listdir(self.dir)), ["a.ged", "new.csv", "old"])
        self.assertEqual(self.read("old"), self.read("new.csv"))
        # Without --force the existing name is left alone, not turned into old.csv.
        r = batch("export", "--quiet", "--format", "csv", ged, "old", cwd=self.dir)
        self.assertEqual(r.returncode, 1)
        self.assertFalse(os.path.exists(self.path("old.csv")))

    def test_fifo_gets_the_csv(self):
        ged = self.write("a.ged", accents_gedcom())
        self.export(ged, "file.csv")
        fifo = self.path("pipe")
        os.mkfifo(fifo)
        proc = subprocess.Popen([BATCH, "export", "--quiet", "--format", "csv", ged, fifo], stderr=subprocess.PIPE)
        with open(fifo, "rb") as f:
            got = f.read()
        errors = proc.stderr.read()
        proc.stderr.close()
        self.assertEqual(proc.wait(timeout=60), 0, errors)
        self.assertEqual(got, self.read("file.csv"))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[2:])
