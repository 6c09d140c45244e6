"""The bash completion of kinsheet-batch, run by bash with Debian's
bash-completion: commands, options per command, formats, living modes,
field numbers and files by extension. Skipped (exit 77) without
bash-completion.

Usage: completion_test.py COMPLETION_FILE"""
import os
import subprocess
import sys
import tempfile
import unittest

COMPLETION = os.path.abspath(sys.argv[1])
BASH_COMPLETION = "/usr/share/bash-completion/bash_completion"


def complete(line, folder):
    """What completing at the end of `line` offers, sorted."""
    script = ('source "$1"; source "$2"; COMP_LINE=$3; COMP_POINT=${#COMP_LINE}; '
              'read -ra COMP_WORDS <<< "$COMP_LINE"; [[ $COMP_LINE == *" " ]] && COMP_WORDS+=(""); '
              'COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); '
              '_kinsheet_batch kinsheet-batch "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"; '
              'printf "%s\\n" "${COMPREPLY[@]}"')
    r = subprocess.run(["bash", "-c", script, "bash", BASH_COMPLETION, COMPLETION, line],
                       capture_output=True, text=True, cwd=folder, timeout=30)
    if r.returncode != 0:
        raise AssertionError(r.stderr)
    return sorted(w for w in r.stdout.split("\n") if w)


class Completion(unittest.TestCase):
    CASES = [
        ("kinsheet-batch ", ["--help", "--version", "browse", "counters", "dateyear", "export"]),
        ("kinsheet-batch ex", ["export"]),
        ("kinsheet-batch export --format x", ["xls", "xlsx"]),
        ("kinsheet-batch export --format=m", ["mdb", "mdb95"]),
        ("kinsheet-batch export --living=", ["exclude", "include", "private"]),
        ("kinsheet-batch export --living p", ["private"]),
        ("kinsheet-batch export --fields 2", ["2", "20", "21", "22", "23", "24", "25", "26", "27"]),
        ("kinsheet-batch export --fields 16,2", ["16,2", "16,20", "16,21", "16,22", "16,23", "16,24", "16,25",
                                                  "16,26", "16,27"]),
        ("kinsheet-batch export --fields a", ["all"]),
        ("kinsheet-batch export --csv", ["--csv-bom", "--csv-guard"]),
        ("kinsheet-batch counters --", ["--help", "--literal"]),
        ("kinsheet-batch browse --f", ["--from"]),
        ("kinsheet-batch counters ", ["a.ged", "b.GED", "sub"]),
        ("kinsheet-batch export ", ["a.ged", "b.GED", "sub"]),
        ("kinsheet-batch export --format csv a.ged ", ["c.csv", "d.txt", "e.xlsx", "sub"]),
        ("kinsheet-batch export --fields 1,2 --force a.ged ", ["c.csv", "d.txt", "e.xlsx", "sub"]),
    ]

    def test_cases(self):
        with tempfile.TemporaryDirectory() as folder:
            for name in ("a.ged", "b.GED", "c.csv", "d.txt", "e.xlsx", "notes.doc"):
                open(os.path.join(folder, name), "w").close()
            os.mkdir(os.path.join(folder, "sub"))
            for line, want in self.CASES:
                with self.subTest(line=line):
                    self.assertEqual(complete(line, folder), want)


if __name__ == "__main__":
    if not os.path.exists(BASH_COMPLETION):
        print("SKIP: bash-completion is not installed (%s)" % BASH_COMPLETION)
        sys.exit(77)
    unittest.main(argv=[sys.argv[0], "-v"])
