"""What the reader checks share: the exit code ctest shows as skipped, a
counter of checks, and the program's rule for a value's bytes."""
import sys

SKIP = 77


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIP)


class Checker:
    """Counts every check; prints only the first failures, cut short, so a
    broken export does not bury the summary."""
    SHOWN = 20

    def __init__(self):
        self.failures = 0
        self.passes = 0

    def expect(self, ok, what):
        if ok:
            self.passes += 1
        else:
            self.failures += 1
            if self.failures <= self.SHOWN:
                print("FAIL: " + what[:600])


def _cp1252_table():
    table = []
    for b in range(256):
        try:
            table.append(bytes([b]).decode("cp1252"))
        except UnicodeDecodeError:
            table.append(chr(b))  # the five undefined bytes keep their C1 value
    return table


_CP1252 = _cp1252_table()


def decode(raw):
    """A value's bytes as the program reads them: UTF-8 if valid, else Windows-1252."""
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return "".join(_CP1252[b] for b in raw)
