"""kinsheet-batch from the outside: exit codes, messages, and the CSV and
text files it writes for every public GEDCOM file."""
import csv
import io
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest

BATCH, GEDCOM_DIR, SAMPLES, GEDGEN = (os.path.abspath(a) for a in sys.argv[1:5])
SAMPLE = os.path.join(SAMPLES, "family.ged")


def run(*args, cwd=None, shell_prefix=None):
    cmd = [BATCH, *args]
    if shell_prefix:
        cmd = ["sh", "-c", shell_prefix + ' && exec "$0" "$@"', *cmd]
    return subprocess.run(cmd, capture_output=True, cwd=cwd, timeout=300)


def public_files():
    if not os.path.isdir(GEDCOM_DIR):
        raise unittest.SkipTest(f"public GEDCOM files not found in {GEDCOM_DIR}")
    return sorted(os.path.join(GEDCOM_DIR, f) for f in os.listdir(GEDCOM_DIR)
                  if f.lower().endswith(".ged"))


class Counters(unittest.TestCase):
    def test_sample_family(self):
        r = run("counters", SAMPLE)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(json.loads(r.stdout), {
            "counters": [25, 25, 0, 12, 0, 8, 16, 8], "IndividualCount": 25,
            "FamilyCount": 8, "MaxIndividualIdLength": 3, "MaxFamilyIdLength": 2})

    def test_load_that_ends_with_a_message(self):
        with tempfile.TemporaryDirectory() as d:
            empty = os.path.join(d, "empty.ged")
            open(empty, "wb").close()
            r = run("counters", empty)
            self.assertEqual(r.returncode, 1)
            self.assertEqual(r.stderr.decode(), "Kinsheet: File is empty!\n")
            self.assertEqual(json.loads(r.stdout)["counters"], [0] * 8)
            fams = os.path.join(d, "fams.ged")
            with open(fams, "w") as f:
                f.write("0 HEAD\n0 @F1@ FAM\n0 TRLR\n")
            r = run("counters", fams)
            self.assertEqual(r.returncode, 1)
            self.assertEqual(r.stderr.decode(), "Kinsheet: No GED data in file!\n")
            self.assertEqual(json.loads(r.stdout)["FamilyCount"], 1)

    def test_missing_input(self):
        r = run("counters", "/nonexistent/none.ged")
        self.assertEqual(r.returncode, 1)
        lines = r.stderr.decode().splitlines()
        self.assertEqual(len(lines), 1)
        self.assertTrue(lines[0].startswith("Kinsheet: "), lines)
        self.assertEqual(json.loads(r.stdout)["IndividualCount"], 0)

    def test_work_folder_is_removed(self):
        with tempfile.TemporaryDirectory() as d:
            env = dict(os.environ, TMPDIR=d)
            subprocess.run([BATCH, "counters", SAMPLE], env=env, capture_output=True, check=True)
            self.assertEqual(os.listdir(d), [])


def reference_counters(data):
    """The eight load counters, counted independently of the program."""
    if data[:2] in (b"\xff\xfe", b"\xfe\xff"):
        data = data.decode("utf-16").encode("utf-8")
    lines = re.split(rb"[\r\n]", data)
    tags, c = [], [0] * 8
    counted = {b"INDI": 0, b"INDI:BIRT:DATE": 1, b"INDI:CHR:DATE": 2, b"INDI:DEAT:DATE": 3,
               b"INDI:BURI:DATE": 4, b"FAM": 5, b"INDI:FAMS": 6, b"FAM:MARR:DATE": 7}
    for raw in lines:
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
        if path in counted and (level == 0) == (path in (b"INDI", b"FAM")):
            c[counted[path]] += 1
    return c


class CountersOfPublicFiles(unittest.TestCase):
    def test_match_an_independent_count(self):
        for ged in public_files():
            r = run("counters", ged)
            self.assertEqual(r.returncode, 0, ged)
            got = json.loads(r.stdout)
            want = reference_counters(open(ged, "rb").read())
            self.assertEqual(got["counters"], want, ged)
            self.assertEqual(got["IndividualCount"], want[0], ged)
            self.assertEqual(got["FamilyCount"], want[5], ged)


class Usage(unittest.TestCase):
    def test_usage_errors_exit_2(self):
        with tempfile.TemporaryDirectory() as d:
            out = os.path.join(d, "x.csv")
            for args in ([], ["frobnicate"], ["counters"], ["counters", ""],
                         ["export", SAMPLE], ["export", SAMPLE, ""], ["export", "", out],
                         ["export", "--fields", "28", SAMPLE, out],
                         ["export", "--fields", "1,x", SAMPLE, out],
                         ["export", "--fields", "1,,2", SAMPLE, out],
                         ["export", "--format", "pdf", SAMPLE, out],
                         ["export", SAMPLE, os.path.join(d, "noext")],
                         ["export", SAMPLE, os.path.join(d, "x.doc")],
                         ["export", "--bogus", SAMPLE, out],
                         ["export", "--living", "hide", SAMPLE, out],
                         ["export", "--living", SAMPLE, out],
                         ["export", "--living-years", "0", SAMPLE, out],
                         ["export", "--living-years", "1000", SAMPLE, out],
                         ["export", "--living-years=-5", SAMPLE, out],
                         ["export", "--living-years", "ten", SAMPLE, out],
                         ["browse", SAMPLE, "--from", "ten"], ["dateyear"]):
                r = run(*args)
                self.assertEqual(r.returncode, 2, args)
                self.assertFalse(os.path.exists(out), args)

    def test_help_for_every_command(self):
        for args in (["--help"], ["export", "--help"], ["counters", "--help"],
                     ["browse", "--help"], ["dateyear", "--help"]):
            r = run(*args)
            self.assertEqual(r.returncode, 0)
            self.assertIn(b"Usage:", r.stdout)
        self.assertIn(b"Example", run("export", "--help").stdout)


class Export(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.d = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.d, name)

    def test_extension_decides_the_format_case_insensitively(self):
        self.assertEqual(run("export", "--quiet", SAMPLE, self.path("A.CSV")).returncode, 0)
        self.assertTrue(open(self.path("A.CSV"), "rb").read().startswith(b'"INDI_ID"'))
        self.assertEqual(run("export", "--quiet", SAMPLE, self.path("b.Txt")).returncode, 0)
        self.assertTrue(open(self.path("b.Txt"), "rb").read().startswith(b"INDI_ID  FullName"))
        r = run("export", "--quiet", "--format", "csv", SAMPLE, self.path("noext"))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(os.path.exists(self.path("noext.csv")))
        os.mkdir(self.path("dir.d"))
        r = run("export", "--quiet", "--format", "txt", SAMPLE, self.path("dir.d/plain"))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(os.path.exists(self.path("dir.d/plain")))

    def test_relative_output(self):
        r = run("export", "--quiet", SAMPLE, "rel.csv", cwd=self.d)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(os.path.exists(self.path("rel.csv")))

    def test_existing_output_needs_force(self):
        out = self.path("keep.csv")
        with open(out, "w") as f:
            f.write("precious")
        r = run("export", SAMPLE, out)
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"Overwrite existing file?", r.stderr)
        self.assertEqual(open(out).read(), "precious")
        r = run("export", "--force", "--quiet", SAMPLE, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertNotEqual(open(out).read(), "precious")

    def test_refusals_exit_1(self):
        r = run("export", "--fields", "", SAMPLE, self.path("none.csv"))
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr.decode(),
                         "Kinsheet: Please select fields to be included in Sheetify\n")
        r = run("export", "/nonexistent/in.ged", self.path("none.csv"))
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"Workfile contains no records. Cannot create", r.stderr)
        self.assertFalse(os.path.exists(self.path("none.csv")))

    def test_selected_fields_only(self):
        out = self.path("few.csv")
        self.assertEqual(run("export", "--quiet", "--fields", "25,16", SAMPLE, out).returncode, 0)
        rows = list(csv.reader(io.StringIO(open(out, encoding="utf-8", newline="").read())))
        self.assertEqual(rows[0], ["INDI_ID", "FullName"])
        self.assertEqual(rows[1], ["I1", "Johann  Lindqvist"])

    def test_living_options(self):
        # Ivy has no dates and Anna a birth "AFT 1900": living at any limit.
        # Alice (1952) and Thomas (1978) count as dead at 30 years only.
        family = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "living",
                              "three_generations.ged")

        def ids(*options):
            out = self.path("living.csv")
            r = run("export", "--quiet", "--force", "--fields", "16,25", *options, family, out)
            self.assertEqual(r.returncode, 0, r.stderr)
            rows = list(csv.reader(io.StringIO(open(out, encoding="utf-8", newline="").read())))
            return [(row[0], row[1]) for row in rows[1:]]

        self.assertEqual(len(ids()), 9)
        self.assertEqual(ids("--living", "include"), ids())
        self.assertEqual([i for i, _ in ids("--living", "exclude")], ["I1", "I2", "I3", "I8", "I9"])
        self.assertEqual([i for i, _ in ids("--living=exclude", "--living-years=30")],
                         ["I1", "I2", "I3", "I4", "I5", "I8", "I9"])
        private = dict(ids("--living", "private", "--living-years", "30"))
        self.assertEqual(private["I5"], "Thomas  Brook")
        self.assertEqual(private["I6"], "Living")
        self.assertEqual(private["I7"], "Living Vale")
        self.assertIn(b"--living include|private|exclude", run("export", "--help").stdout)

    def test_work_files_that_cannot_be_written(self):
        # The file-size limit stops the work files first: the load says
        # why it stopped and nothing is exported.
        out = self.path("big.txt")
        r = run("export", "--quiet", SAMPLE, out, shell_prefix="ulimit -f 4")
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertRegex(r.stderr, rb"Kinsheet: (Problem adding Indiv: |Cannot load .*File too large)")
        self.assertFalse(os.path.exists(out))

    def test_folder_that_cannot_take_files(self):
        r = run("export", "--quiet", SAMPLE, "/proc/kinsheet-out.csv")
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"Error occurred while trying to save file: ", r.stderr)

    def test_every_public_file_to_csv_and_text(self):
        for ged in public_files():
            name = os.path.basename(ged)
            csv_out, txt_out = self.path(name + ".csv"), self.path(name + ".txt")
            rc_csv = run("export", "--quiet", ged, csv_out).returncode
            rc_txt = run("export", "--quiet", ged, txt_out).returncode
            self.assertEqual((rc_csv, rc_txt), (0, 0), name)
            data = open(csv_out, "rb").read()
            text = data.decode("utf-8", errors="surrogateescape")
            rows = list(csv.reader(io.StringIO(text, newline="")))
            self.assertGreater(len(rows), 1, name)
            for i, row in enumerate(rows):
                self.assertEqual(len(row), 40, f"{name} line {i + 1}")
            self.check_text_alignment(name, open(txt_out, "rb").read())

    def check_text_alignment(self, name, data):
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError:
            return  # the report of a Windows-1252 or ANSEL file is aligned by bytes
        lines = text.split("\r\n")
        self.assertEqual(lines[-1], "")
        lines = lines[:-1]
        dashes = lines[1]
        starts = [i for i, ch in enumerate(dashes) if ch == "-" and (i == 0 or dashes[i - 1] == " ")]
        self.assertEqual(len(starts), 28, name)
        for n, line in enumerate(lines):
            for s in starts[1:]:
                # Each column is preceded by the two spaces after the one before.
                self.assertEqual(line[s - 2:s], "  ", f"{name} line {n + 1} column at {s}")


class BrowseAndDates(unittest.TestCase):
    def test_browse_pages(self):
        first = run("browse", SAMPLE).stdout.decode().splitlines()
        self.assertEqual(len(first), 20)
        self.assertEqual(first[0], "1868\t1931\tLindqvist, Johann")
        last = run("browse", SAMPLE, "--from", "99").stdout.decode().splitlines()
        self.assertEqual(last[-1], "1898\t1970\tWiśniewska, Zofia")
        self.assertEqual(len(last), 20)
        self.assertEqual(run("browse", SAMPLE, "--from", "0").stdout.decode().splitlines(), first)
        self.assertEqual(run("browse", SAMPLE, "--from", "-5").stdout.decode().splitlines(), first)

    def test_browse_after_failed_load(self):
        r = run("browse", "/nonexistent/x.ged")
        self.assertEqual((r.returncode, r.stdout), (1, b""))

    def test_dateyear(self):
        for text, year in (("ABT 12 MAR 1850", b"1850\n"), ("1750/51", b"1750\n"), ("", b"0\n")):
            self.assertEqual(run("dateyear", text).stdout, year)


class Signals(unittest.TestCase):
    """A run ended from outside: its work folder never stays behind."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.big = os.path.join(cls.dir.name, "big.ged")
        subprocess.run([GEDGEN, "--people", "300000", "-o", cls.big], check=True, timeout=300)

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def start(self, tmp, output):
        env = dict(os.environ, TMPDIR=tmp)
        return subprocess.Popen([BATCH, "export", "--quiet", self.big, output], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def wait_for(self, proc, ready):
        deadline = time.time() + 120
        while not ready():
            self.assertIsNone(proc.poll(), "the run ended before it could be stopped")
            self.assertLess(time.time(), deadline)
            time.sleep(0.01)

    def writing(self, out):
        folder, name = os.path.split(out)
        return any(f.startswith("." + name + ".kinsheet-") for f in os.listdir(folder))

    def loading(self, tmp):
        folders = [f for f in os.listdir(tmp) if f.startswith("kinsheet-")]
        return folders and os.path.exists(os.path.join(tmp, folders[0], "Kinsheet.Ind"))

    def test_killed_runs_folder_goes_at_the_next_start(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(self.dir.name, "killed.csv")
            proc = self.start(tmp, out)
            self.wait_for(proc, lambda: self.loading(tmp))
            proc.send_signal(signal.SIGKILL)
            proc.communicate(timeout=60)
            left = os.listdir(tmp)
            self.assertEqual(len(left), 1, left)
            self.assertTrue(os.path.exists(os.path.join(tmp, left[0], "lock")))
            # The next run sweeps it, and its own folder goes with it.
            r = subprocess.run([BATCH, "counters", SAMPLE], env=dict(os.environ, TMPDIR=tmp),
                               capture_output=True, timeout=60)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(os.listdir(tmp), [])

    def stop(self, sig, during_export):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(self.dir.name, f"stopped-{sig}-{during_export}.csv")
            proc = self.start(tmp, out)
            if during_export:
                # The export writes a temporary beside OUTPUT until it is complete.
                self.wait_for(proc, lambda: self.writing(out))
            else:
                self.wait_for(proc, lambda: self.loading(tmp))
            proc.send_signal(sig)
            _, err = proc.communicate(timeout=120)
            self.assertEqual(os.listdir(tmp), [])
            self.assertFalse(os.path.exists(out), "an unfinished export stayed")
            self.assertFalse(self.writing(out), "an unfinished temporary stayed")
            return proc.returncode, err.decode()

    def test_ctrl_c_cancels_the_load(self):
        code, err = self.stop(signal.SIGINT, False)
        self.assertEqual(code, 130)
        self.assertEqual(err, "Kinsheet: Load cancelled\n")

    def test_ctrl_c_cancels_the_export(self):
        code, err = self.stop(signal.SIGINT, True)
        self.assertEqual(code, 130)
        self.assertEqual(err, "Kinsheet: Export cancelled\n")

    def test_sigterm_and_sighup_clean_up_and_end_as_signalled(self):
        code, _ = self.stop(signal.SIGTERM, True)
        self.assertEqual(code, -signal.SIGTERM)
        code, _ = self.stop(signal.SIGHUP, False)
        self.assertEqual(code, -signal.SIGHUP)

    def test_help_lists_the_cancel(self):
        out = run("--help").stdout.decode()
        self.assertIn("130 cancelled with Ctrl+C (SIGINT)", out)
        self.assertIn("exit 130", run("export", "--help").stdout.decode())


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
