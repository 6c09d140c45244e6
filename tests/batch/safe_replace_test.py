"""kinsheet-batch never destroys the file an export would replace: not when
it is told to stop half way, not with --force on the GEDCOM file itself or on
something that is not a regular file."""
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

BATCH, GEDGEN, SAMPLES = (os.path.abspath(a) for a in sys.argv[1:4])
SAMPLE = os.path.join(SAMPLES, "family.ged")
FORMATS = {"xls": ".xls", "mdb": ".mdb", "mdb95": ".mdb", "csv": ".csv", "txt": ".txt", "xlsx": ".xlsx",
           "sqlite": ".sqlite"}


def temporaries(folder):
    return [f for f in os.listdir(folder) if f.startswith(".") and ".kinsheet-" in f]


class SafeReplace(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def test_force_never_replaces_the_input_or_a_device(self):
        ged = self.path("tree.ged")
        with open(SAMPLE, "rb") as f:
            data = f.read()
        with open(ged, "wb") as f:
            f.write(data)
        os.symlink(ged, self.path("tree-link.csv"))
        os.symlink("/dev/null", self.path("null.csv"))
        for out, why in ((ged, b"is the GEDCOM file that was loaded"),
                         (self.path("tree-link.csv"), b"is the GEDCOM file that was loaded"),
                         (self.path("null.csv"), b"is not a regular file")):
            r = subprocess.run([BATCH, "export", "--quiet", "--force", "--format", "csv", ged, out],
                               capture_output=True, timeout=120)
            self.assertEqual(r.returncode, 1, r.stderr)
            self.assertIn(why, r.stderr)
            self.assertNotIn(b"Overwrite existing file?", r.stderr)
        with open(ged, "rb") as f:
            self.assertEqual(f.read(), data)
        self.assertTrue(os.path.islink(self.path("null.csv")))

    def test_every_format_replaces_an_old_file_whole(self):
        for fmt, ext in FORMATS.items():
            out = self.path("old-" + fmt + ext)
            with open(out, "wb") as f:
                f.write(b"old bytes")
            r = subprocess.run([BATCH, "export", "--quiet", "--force", "--format", fmt, SAMPLE, out],
                               capture_output=True, timeout=120)
            self.assertEqual(r.returncode, 0, (fmt, r.stderr))
            with open(out, "rb") as f:
                self.assertNotEqual(f.read(9), b"old bytes", fmt)
        self.assertEqual(temporaries(self.dir), [])

    def test_a_stopped_export_leaves_the_old_file(self):
        if not os.access(GEDGEN, os.X_OK):
            self.skipTest("no gedgen")
        ged = self.path("big.ged")
        subprocess.run([GEDGEN, "--people", "300000", "--seed", "2", "-o", ged], check=True)
        for fmt, sig in (("xlsx", signal.SIGTERM), ("sqlite", signal.SIGINT), ("csv", signal.SIGHUP)):
            out = self.path("keep" + FORMATS[fmt])
            with open(out, "wb") as f:
                f.write(b"the old file")
            env = dict(os.environ, TMPDIR=self.dir)
            p = subprocess.Popen([BATCH, "export", "--quiet", "--force", "--format", fmt, ged, out],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
            deadline = time.time() + 240
            while not temporaries(self.dir) and p.poll() is None and time.time() < deadline:
                time.sleep(0.02)
            self.assertTrue(temporaries(self.dir), fmt + ": no temporary seen before the export ended")
            p.send_signal(sig)
            p.communicate(timeout=120)
            self.assertEqual(p.returncode, -sig, fmt)
            with open(out, "rb") as f:
                self.assertEqual(f.read(), b"the old file", fmt)
            self.assertEqual(temporaries(self.dir), [], fmt)
            # The work folder went too.
            self.assertEqual([f for f in os.listdir(self.dir) if f.startswith("kinsheet-")], [], fmt)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
