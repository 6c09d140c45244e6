"""kinsheet-batch from the outside: its arguments, exit codes, messages and
help, which files appear and which stay whole, and runs stopped by signals."""
import datetime
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from reader_check import Work  # noqa: E402

BATCH, SAMPLES, GEDGEN = (os.path.abspath(a) for a in sys.argv[1:4])
Work.batch = BATCH
SAMPLE = os.path.join(SAMPLES, "family.ged")
FAMILY = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "living", "three_generations.ged")
# The first bytes of each format, and the Jet version byte of the two Access formats.
MAGIC = {"xls": b"\xd0\xcf\x11\xe0", "mdb": b"\0\1\0\0Standard Jet DB\0\1", "mdb95": b"\0\1\0\0Standard Jet DB\0\0",
         "csv": b'"INDI_ID","FullName"', "txt": b"INDI_ID  FullName", "xlsx": b"PK\3\4", "sqlite": b"SQLite format 3\0"}


def run(*args, cwd=None, shell_prefix=None, env=None):
    cmd = [BATCH, *args]
    if shell_prefix:
        cmd = ["sh", "-c", shell_prefix + ' && exec "$0" "$@"', *cmd]
    return subprocess.run(cmd, capture_output=True, cwd=cwd, env=env, timeout=300)


class Root(Work):
    """--root picks the person of the kinship fields; nobody with its id, no file."""

    def rows(self, path):
        with open(path, encoding="utf-8", newline="") as f:
            return [line.rstrip("\r\n").split('","') for line in f]

    def test_unknown_root_is_refused_before_anything_is_written(self):
        out = self.path("kin.csv")
        for root in ("@I999@", "I999", "@nobody@"):
            r = run("export", "--fields", "16,more", "--root", root, SAMPLE, out)
            self.assertEqual(r.returncode, 1, root)
            self.assertEqual(r.stderr.decode(), "Kinsheet: No person has the id @%s@: choose a root person who "
                             "is in the file.\n" % root.strip("@"))
            self.assertEqual(os.listdir(self.dir), [], root)

    def test_root_with_or_without_ats_and_none(self):
        outputs = {}
        for name, extra in (("ats", ["--root", "@I1@"]), ("bare", ["--root=I1"]), ("none", [])):
            out = self.path(name + ".csv")
            r = run("export", "--quiet", "--fields", "16,28,29,31", *extra, SAMPLE, out)
            self.assertEqual(r.returncode, 0, r.stderr)
            outputs[name] = self.rows(out)
        self.assertEqual(outputs["ats"], outputs["bare"])
        self.assertEqual(outputs["ats"][0], ['"INDI_ID', "Relationship", "Generation", 'Direct_Line"'])
        self.assertEqual(outputs["ats"][1], ['"I1', "self", "0", 'R"'])
        self.assertTrue(all(row[1:] == ["", "", '"'] for row in outputs["none"][1:]), outputs["none"][:3])

    def test_all_keeps_meaning_the_28(self):
        r = run("export", "--quiet", "--fields", "all", SAMPLE, self.path("all.csv"))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(len(self.rows(self.path("all.csv"))[0]), 40)
        r = run("export", "--quiet", "--fields", "all,more", SAMPLE, self.path("more.csv"))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(len(self.rows(self.path("more.csv"))[0]), 53)


class Counters(Work):
    def test_sample_family(self):
        r = run("counters", SAMPLE)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(json.loads(r.stdout), {
            "counters": [25, 25, 0, 12, 0, 8, 16, 8], "IndividualCount": 25,
            "FamilyCount": 8, "MaxIndividualIdLength": 3, "MaxFamilyIdLength": 2})

    def test_loads_that_end_with_a_message_still_print_the_counters(self):
        for ged, message, families in (
                (self.write("empty.ged", b""), "File is empty!", 0),
                (self.write("fams.ged", b"0 HEAD\n0 @F1@ FAM\n0 TRLR\n"), "No GED data in file!", 1),
                ("/nonexistent/none.ged", "Cannot load /nonexistent/none.ged: No such file or directory", 0)):
            r = run("counters", ged)
            self.assertEqual(r.returncode, 1, ged)
            self.assertEqual(r.stderr.decode(), "Kinsheet: %s\n" % message)
            got = json.loads(r.stdout)
            self.assertEqual((got["counters"][0], got["FamilyCount"]), (0, families), ged)


class Usage(Work):
    def test_usage_errors_exit_2_and_write_nothing(self):
        out = self.path("x.csv")
        for args in ([], ["frobnicate"], ["counters"], ["counters", ""],
                     ["export", SAMPLE], ["export", SAMPLE, ""], ["export", "", out],
                     ["export", "--fields", "41", SAMPLE, out],
                     ["export", "--fields", "all,most", SAMPLE, out], ["export", "--root", "@@", SAMPLE, out],
                     ["export", "--root", SAMPLE, out], ["export", "--fields", "1,x", SAMPLE, out],
                     ["export", "--fields", "1,,2", SAMPLE, out], ["export", "--format", "pdf", SAMPLE, out],
                     ["export", SAMPLE, self.path("noext")], ["export", SAMPLE, self.path("x.doc")],
                     ["export", "--bogus", SAMPLE, out], ["export", "--living", "hide", SAMPLE, out],
                     ["export", "--living", SAMPLE, out], ["export", "--living-years", "0", SAMPLE, out],
                     ["export", "--living-years", "1000", SAMPLE, out], ["export", "--living-years=-5", SAMPLE, out],
                     ["export", "--living-years", "ten", SAMPLE, out], ["browse", SAMPLE, "--from", "ten"],
                     ["dateyear"]):
            r = run(*args)
            self.assertEqual(r.returncode, 2, args)
            self.assertTrue(r.stderr.startswith(b"kinsheet-batch: "), args)
            self.assertEqual(os.listdir(self.dir), [], args)

    def test_help_for_every_command(self):
        for args in (["--help"], ["export", "--help"], ["counters", "--help"], ["browse", "--help"],
                     ["dateyear", "--help"]):
            r = run(*args)
            self.assertEqual(r.returncode, 0)
            self.assertIn(b"Usage:", r.stdout)
        self.assertIn(b"130 cancelled with Ctrl+C (SIGINT)", run("--help").stdout)
        export_help = run("export", "--help").stdout
        for words in (b"Example", b"exit 130", b"--living include|private|exclude", b"--living-years N"):
            self.assertIn(words, export_help)


class Export(Work):
    def test_format_from_the_extension_or_the_option(self):
        os.mkdir(self.path("dir.d"))
        for args, written, fmt in (([SAMPLE, "A.CSV"], "A.CSV", "csv"), ([SAMPLE, "b.Txt"], "b.Txt", "txt"),
                                   (["--format", "csv", SAMPLE, "noext"], "noext.csv", "csv"),
                                   (["--format", "txt", SAMPLE, "dir.d/plain"], "dir.d/plain", "txt"),
                                   ([SAMPLE, "c.sqlite3"], "c.sqlite3", "sqlite"),
                                   ([SAMPLE, "d.db"], "d.db", "sqlite")):
            r = run("export", "--quiet", *args, cwd=self.dir)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertTrue(self.read(written).startswith(MAGIC[fmt]), args)

    def test_every_format_replaces_an_old_file_whole(self):
        for fmt, magic in MAGIC.items():
            self.write("old." + fmt, b"old bytes")
            r = run("export", "--quiet", "--force", "--format", fmt, SAMPLE, self.path("old." + fmt))
            self.assertEqual(r.returncode, 0, (fmt, r.stderr))
            self.assertTrue(self.read("old." + fmt).startswith(magic), fmt)
        self.assertEqual(sorted(os.listdir(self.dir)), sorted("old." + fmt for fmt in MAGIC))

    def test_existing_output_needs_force(self):
        out = self.write("keep.csv", b"precious")
        r = run("export", SAMPLE, out)
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"Overwrite existing file?", r.stderr)
        self.assertEqual(self.read("keep.csv"), b"precious")
        r = run("export", "--force", "--quiet", SAMPLE, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertNotEqual(self.read("keep.csv"), b"precious")

    def test_the_old_files_permissions_stay(self):
        # A private file stays private; a link that leads nowhere is an
        # existing OUTPUT that only --force replaces.
        out = self.write("private.csv", b"old")
        os.chmod(out, 0o600)
        self.assertEqual(run("export", "--quiet", "--force", SAMPLE, out).returncode, 0)
        self.assertEqual(os.stat(out).st_mode & 0o7777, 0o600)
        os.symlink(self.path("nowhere.csv"), self.path("gone.csv"))
        r = run("export", "--quiet", SAMPLE, self.path("gone.csv"))
        self.assertEqual((r.returncode, r.stderr), (1, b"Kinsheet: Overwrite existing file? [No]\n"))
        self.assertTrue(os.path.islink(self.path("gone.csv")))
        self.assertEqual(run("export", "--quiet", "--force", SAMPLE, self.path("gone.csv")).returncode, 0)
        self.assertFalse(os.path.islink(self.path("gone.csv")))
        # A file its user may not write stays, --force or not (root may write
        # anything, so this part needs another user).
        if os.geteuid() != 0:
            locked = self.write("locked.csv", b"old")
            os.chmod(locked, 0o444)
            r = run("export", "--quiet", "--force", SAMPLE, locked)
            self.assertEqual(r.returncode, 1, r.stderr)
            self.assertIn(b"Permission denied", r.stderr)
            self.assertEqual(self.read("locked.csv"), b"old")

    def test_force_never_replaces_the_input_or_a_device(self):
        with open(SAMPLE, "rb") as f:
            ged = self.write("tree.ged", f.read())
        os.symlink(ged, self.path("tree-link.csv"))
        os.symlink("/dev/zero", self.path("zero.csv"))
        os.symlink("/dev/null", self.path("null.csv"))
        for out, why in ((ged, b"is the GEDCOM file that was loaded"),
                         (self.path("tree-link.csv"), b"is the GEDCOM file that was loaded"),
                         (self.path("zero.csv"), b"is not a regular file")):
            r = run("export", "--quiet", "--force", "--format", "csv", ged, out)
            self.assertEqual(r.returncode, 1, r.stderr)
            self.assertIn(why, r.stderr)
            self.assertNotIn(b"Overwrite existing file?", r.stderr)
        with open(SAMPLE, "rb") as f:
            self.assertEqual(self.read("tree.ged"), f.read())
        self.assertTrue(os.path.islink(self.path("zero.csv")))
        # The null device takes a CSV: nothing is replaced, the link stays.
        r = run("export", "--quiet", "--format", "csv", ged, self.path("null.csv"))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(os.path.islink(self.path("null.csv")))

    def test_refusals_exit_1_and_write_nothing(self):
        out = self.path("none.csv")
        for args, prefix, why in (
                (["--fields", "", SAMPLE, out], None,
                 rb"^Kinsheet: Please select fields to be included in Sheetify\n\Z"),
                (["/nonexistent/in.ged", out], None, rb"Workfile contains no records. Cannot create"),
                ([SAMPLE, "/proc/kinsheet-out.csv"], None, rb"Error occurred while trying to save file: "),
                # The file-size limit stops the work files first: the load says why.
                ([SAMPLE, out], "ulimit -f 4", rb"Kinsheet: (Problem adding Indiv: |Cannot load .*File too large)")):
            r = run("export", "--quiet", *args, shell_prefix=prefix)
            self.assertEqual(r.returncode, 1, args)
            self.assertRegex(r.stderr, why)
            self.assertEqual(os.listdir(self.dir), [], args)

    def test_fields_and_living_options_reach_the_rows(self):
        def rows(*options):
            self.export(FAMILY, "out.csv", "--fields", "25,16", *options)
            return [tuple(row) for row in self.csv("out.csv")]

        self.assertEqual(rows()[:2], [("INDI_ID", "FullName"), ("I1", "Walter  Brook")])
        self.assertEqual(rows("--living", "include"), rows())
        self.assertEqual(len(rows()), 10)
        # Ivy has no dates and Anna a birth "AFT 1900": living at any limit.
        # Thomas, born in 1978, is dead from exactly this many years on.
        thomas = str(datetime.date.today().year - 1978)
        for options, ids in ((["--living", "exclude"], "I1 I2 I3 I8 I9"),
                             (["--living=exclude", "--living-years=" + thomas], "I1 I2 I3 I4 I5 I8 I9"),
                             (["--living", "exclude", "--living-years", str(int(thomas) + 1)], "I1 I2 I3 I4 I8 I9")):
            self.assertEqual(" ".join(i for i, _ in rows(*options)[1:]), ids, options)
        private = dict(rows("--living", "private", "--living-years", thomas))
        self.assertEqual((private["I5"], private["I6"], private["I7"]), ("Thomas  Brook", "Living", "Living Vale"))


class BrowseAndDates(Work):
    def test_browse_pages(self):
        first = run("browse", SAMPLE).stdout.decode().splitlines()
        self.assertEqual(len(first), 20)
        self.assertEqual(first[0], "1868\t1931\tLindqvist, Johann")
        last = run("browse", SAMPLE, "--from", "99").stdout.decode().splitlines()
        self.assertEqual((len(last), last[-1]), (20, "1898\t1970\tWiśniewska, Zofia"))
        for start in ("0", "-5"):
            self.assertEqual(run("browse", SAMPLE, "--from=" + start).stdout.decode().splitlines(), first)
        r = run("browse", "/nonexistent/x.ged")
        self.assertEqual((r.returncode, r.stdout), (1, b""))

    def test_file_text_reaches_the_terminal_escaped(self):
        # A title, a cleared screen, fake green text: as a bad line, a name
        # (which browse lists) and a place, in UTF-8 and as bare bytes.
        evil = b"\x1b]0;Owned\x07\x1b[2J\x1b[32mAll fine\xc2\x9b0m\x9b1m\x7f\xe9"
        with tempfile.TemporaryDirectory() as tmp:
            ged = os.path.join(tmp, "evil.ged")
            with open(ged, "wb") as f:
                f.write(b"0 HEAD\n" + evil + b"\n0 @I1@ INDI\n1 NAME Eve" + evil + b" /Tab\tX/\n1 BIRT\n"
                        b"2 DATE 1850\n0 TRLR\n")
            r = run("browse", ged)
            self.assertEqual(r.returncode, 0, r.stderr)
            for out in (r.stdout, r.stderr):
                text = out.decode("utf-8")  # no stray byte either
                self.assertEqual([c for c in text if (ord(c) < 32 and c not in "\n\t") or 0x7f <= ord(c) <= 0x9f], [])
            self.assertIn(b"Problem parsing GedRec: \\x1b]0;Owned\\x07\\x1b[2J", r.stderr)
            self.assertEqual(r.stdout, b"1850\t\tTab\tX, Eve\\x1b]0;Owned\\x07\\x1b[2J\\x1b[32mAll fine"
                                       b"\\u009b0m\\x9b1m\\x7f\\xe9\n")
            # A name given on the command line is shown the same way.
            r = run("counters", os.path.join(tmp, "\x1b[2Jgone.ged"))
            self.assertIn(b"Cannot load " + tmp.encode() + b"/\\x1b[2Jgone.ged: No such file", r.stderr)

    def test_a_file_of_another_kind_is_one_line(self):
        with tempfile.TemporaryDirectory() as tmp:
            gdz = os.path.join(tmp, "tree.gdz")
            with open(gdz, "wb") as f:
                f.write(b"PK\x03\x04" + bytes(range(256)) * 40)
            for args in (["counters", gdz], ["browse", gdz], ["export", gdz, os.path.join(tmp, "out.csv")]):
                r = run(*args)
                self.assertEqual(r.returncode, 1, args)
                self.assertEqual(r.stderr.decode(), "Kinsheet: tree.gdz is a damaged ZIP archive: its gedcom.ged "
                                 "cannot be read. Make the archive again, or unpack what can be saved with an "
                                 "archive program.\n", args)
            self.assertFalse(os.path.exists(os.path.join(tmp, "out.csv")))

    def test_reading_report_summary_and_csv(self):
        with tempfile.TemporaryDirectory() as tmp:
            ged = os.path.join(tmp, "links.ged")
            with open(ged, "wb") as f:
                f.write(b"0 HEAD\r\n1 GEDC\r\n2 VERS 7.0\r\n0 @I1@ INDI\r\n1 FAMC @F1@\r\n1 FAMS @F2@\r\n"
                        b"1 NOTE x\r\n2 CONC y\r\n0 @F1@ FAM\r\n1 CHIL @I\x1b[2J@\r\n0 @I1@ INDI\r\n0 TRLR\r\n")
            report = os.path.join(tmp, "report.csv")
            for args in (["counters", "--report", report, ged], ["browse", "--report=" + report, ged],
                         ["export", "--report", report, ged, os.path.join(tmp, "out.csv")]):
                if os.path.exists(report):
                    os.remove(report)
                r = run(*args)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertIn(b"Kinsheet: Reading report: 5 entries (2 pointers to undefined ids, 1 ids defined "
                              b"again, 1 FAMC without the family's CHIL, 1 CONC in GEDCOM 7)\n", r.stderr)
                with open(report, "rb") as f:
                    self.assertEqual(f.read().decode("utf-8").split("\r\n"), [
                        "Line,Record_ID,Problem,Action",
                        "5,I1,Person names a parents' family (FAMC) that does not name the person as a child "
                        "(CHIL): @F1@,Parents taken from the family; not counted among its children",
                        "6,I1,Pointer to an id that no record defines: @F2@,Kept as written; it links to nobody",
                        "8,I1,CONC line in a GEDCOM 7 file (7 has no CONC),Read as in GEDCOM 5.5.1; reported once",
                        "10,F1,Pointer to an id that no record defines: @I\\x1b[2J@,Kept as written; it links to "
                        "nobody",
                        "11,I1,Id defined again: @I1@,Both records kept as rows; links go to the first", ""])
            # Quiet exports say nothing; a report that cannot be written fails the run.
            r = run("export", "--quiet", "--force", ged, os.path.join(tmp, "out.csv"))
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertNotIn(b"Reading report", r.stderr)
            r = run("counters", "--report", os.path.join(tmp, "no", "such", "r.csv"), ged)
            self.assertEqual(r.returncode, 1)
            self.assertIn(b"The reading report could not be saved: ", r.stderr)
            self.assertEqual(run("counters", "--report", ged).returncode, 2)

    def test_dateyear(self):
        for text, year in (("ABT 12 MAR 1850", b"1850\n"), ("1750/51", b"1750\n"), ("", b"0\n"),
                           ("3/4/1901", b"1901\n"), ("@#DHEBREW@ 2 TVT 5758", b"1997\n")):
            self.assertEqual(run("dateyear", text).stdout, year)

    def test_browse_years_of_every_date_form(self):
        ged = self.write("forms.ged", "\n".join([
            "0 HEAD", "1 GEDC", "2 VERS 5.5.1", "1 CHAR UTF-8",
            "0 @I1@ INDI", "1 NAME Ann /Day/", "1 BIRT", "2 DATE 23/05/1817", "1 DEAT", "2 DATE 12 AUG 1401 BCE",
            "0 @I2@ INDI", "1 NAME Ben /Day/", "1 BIRT", "2 DATE @#DFRENCH R@ 12 NIVO 0006", "1 DEAT",
            "2 DATE BET 1850 AND 1860",
            "0 @I3@ INDI", "1 NAME Cy /Day/", "1 BIRT", "2 DATE 10 JAN", "1 DEAT", "2 DATE (in the war of 1870)",
            "0 TRLR", ""]).encode())
        r = run("browse", ged)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.decode().splitlines(),
                         ["1817\t\tDay, Ann", "1798\t1860\tDay, Ben", "\t\tDay, Cy"])


class Signals(Work):
    """A run ended from outside leaves neither its work folder nor an
    unfinished OUTPUT, and the file OUTPUT would replace stays whole."""

    @classmethod
    def setUpClass(cls):
        cls.big_dir = tempfile.TemporaryDirectory()
        cls.big = os.path.join(cls.big_dir.name, "big.ged")
        subprocess.run([GEDGEN, "--people", "300000", "-o", cls.big], check=True, timeout=300)

    @classmethod
    def tearDownClass(cls):
        cls.big_dir.cleanup()

    def start(self, out, fmt):
        return subprocess.Popen([BATCH, "export", "--quiet", "--force", "--format", fmt, self.big, out],
                                env=dict(os.environ, TMPDIR=self.dir), stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def wait_for(self, proc, exporting_to=None, written=False):
        # The load fills a work folder; the export writes a temporary beside
        # OUTPUT (a work folder is staged under a name of that form too),
        # empty until its first bytes are written.
        def ready():
            names = os.listdir(self.dir)
            if exporting_to:
                return any(n.startswith("." + exporting_to + ".kinsheet-") and
                           (not written or os.path.getsize(self.path(n)) > 0) for n in names)
            return any(os.path.exists(os.path.join(self.dir, n, "Kinsheet.Ind")) for n in names)

        deadline = time.time() + 120
        while not ready():
            self.assertIsNone(proc.poll(), "the run ended before it could be stopped")
            self.assertLess(time.time(), deadline)
            time.sleep(0.01)

    def test_killed_runs_folder_goes_at_the_next_start(self):
        proc = self.start(self.path("killed.csv"), "csv")
        self.wait_for(proc)
        proc.send_signal(signal.SIGKILL)
        proc.communicate(timeout=60)
        left = os.listdir(self.dir)
        self.assertEqual(len(left), 1, left)
        self.assertTrue(os.path.exists(os.path.join(self.dir, left[0], "lock")))
        # The next run sweeps it, and its own folder goes with it.
        r = run("counters", SAMPLE, env=dict(os.environ, TMPDIR=self.dir))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(os.listdir(self.dir), [])

    def test_a_killed_runs_temporary_goes_with_the_next_export_there(self):
        out = self.write("out.csv", b"the old file")
        proc = self.start(out, "csv")
        self.wait_for(proc, "out.csv", written=True)
        proc.send_signal(signal.SIGKILL)
        proc.communicate(timeout=60)
        self.assertEqual(len(os.listdir(self.dir)), 3)  # OUTPUT, its temporary, the work folder
        self.assertEqual(self.read("out.csv"), b"the old file")
        r = run("export", "--quiet", "--force", SAMPLE, out, env=dict(os.environ, TMPDIR=self.dir))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(os.listdir(self.dir), ["out.csv"])

    def test_a_stop_while_the_workbook_is_finished(self):
        # The rows are done and the package is being written into the
        # temporary: the writer stops, its temporary goes, the old file
        # stays, and the one message is the cancel.
        out = self.write("old.xlsx", b"the old file")
        proc = self.start(out, "xlsx")
        self.wait_for(proc, "old.xlsx", written=True)
        proc.send_signal(signal.SIGINT)
        _, err = proc.communicate(timeout=120)
        self.assertEqual(proc.returncode, 130)
        self.assertEqual(err.decode(), "Kinsheet: Overwrite existing file? [Yes]\nKinsheet: Export cancelled\n")
        self.assertEqual(self.read("old.xlsx"), b"the old file")
        self.assertEqual(os.listdir(self.dir), ["old.xlsx"])

    def test_ctrl_c_stops_a_read_from_a_silent_pipe(self):
        # The pipe's writer sends a little, then nothing, and never closes:
        # the read waits, and Ctrl+C must end it at once all the same.
        fifo = self.path("in.ged")
        os.mkfifo(fifo)
        writer = os.open(fifo, os.O_RDWR)
        try:
            os.write(writer, b"0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Ann /Lee/\n")
            proc = subprocess.Popen([BATCH, "counters", fifo], env=dict(os.environ, TMPDIR=self.dir),
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            self.wait_for(proc)
            time.sleep(0.2)
            proc.send_signal(signal.SIGINT)
            _, err = proc.communicate(timeout=60)
        finally:
            os.close(writer)
        self.assertEqual((proc.returncode, err), (130, b"Kinsheet: Load cancelled\n"))
        self.assertEqual(os.listdir(self.dir), ["in.ged"])

    def test_stops_clean_up_and_end_as_signalled(self):
        # Ctrl+C exits 130 saying what it stopped; the others end the tool as
        # their signal does.
        cancelled = "Kinsheet: Overwrite existing file? [Yes]\nKinsheet: Export cancelled\n"
        for sig, fmt, exporting, code, said in (
                (signal.SIGINT, "csv", False, 130, "Kinsheet: Load cancelled\n"),
                (signal.SIGINT, "sqlite", True, 130, cancelled),
                (signal.SIGTERM, "xlsx", True, -signal.SIGTERM, None),
                (signal.SIGHUP, "csv", True, -signal.SIGHUP, None),
                (signal.SIGHUP, "mdb", False, -signal.SIGHUP, None)):
            out = self.write("old." + fmt, b"the old file")
            proc = self.start(out, fmt)
            self.wait_for(proc, "old." + fmt if exporting else None)
            proc.send_signal(sig)
            _, err = proc.communicate(timeout=120)
            self.assertEqual(proc.returncode, code, (sig, fmt))
            if said:
                self.assertEqual(err.decode(), said)
            self.assertEqual(self.read("old." + fmt), b"the old file")
            self.assertEqual(os.listdir(self.dir), ["old." + fmt], (sig, fmt))
            os.remove(out)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
