#!/usr/bin/env python3
# Shows that the import check bites: a probe importing a Vista-only function, and a shipped
# program whose PE header asks for a newer Windows, are each refused with a line saying why.
"""Usage: check_imports_test.py PROBE_EXE SHIPPED_EXE

PROBE_EXE imports GetTickCount64 (Vista) and GetTickCount (every Windows); SHIPPED_EXE is one
program from the dist folder, copied and patched here, never changed in place.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

CHECKER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_imports.py")
PROBE, SHIPPED = None, None


def run_checker(folder):
    result = subprocess.run([sys.executable, CHECKER, folder], capture_output=True, text=True,
                            timeout=60)
    return result.returncode, result.stdout + result.stderr


def folder_with(source, name):
    """A fresh folder holding a copy of source under name; removed when the test ends."""
    folder = tempfile.mkdtemp(prefix="check_imports_")
    shutil.copyfile(source, os.path.join(folder, name))
    return folder


def patch_version(path, field_offset, major, minor):
    """Writes major.minor into a version field of the optional header (offset from its start)."""
    with open(path, "r+b") as handle:
        data = bytearray(handle.read())
        optional_header = struct.unpack_from("<I", data, 0x3C)[0] + 24
        struct.pack_into("<HH", data, optional_header + field_offset, major, minor)
        handle.seek(0)
        handle.write(data)


class ImportCheckRefuses(unittest.TestCase):
    def in_folder(self, source, name):
        folder = folder_with(source, name)
        self.addCleanup(shutil.rmtree, folder)
        return folder

    def test_a_vista_function_but_not_the_ordinary_one(self):
        code, output = run_checker(self.in_folder(PROBE, "floor_probe.exe"))
        self.assertEqual(code, 1, output)
        self.assertRegex(output, r"(?m)^floor_probe\.exe: .*KERNEL32!GetTickCount64\b", output)
        # GetTickCount, which every Windows has, must pass: the check is not refusing wholesale.
        self.assertNotRegex(output, r"KERNEL32!GetTickCount(?!64)\b", output)

    def test_a_shipped_program_whose_header_asks_for_vista(self):
        name = os.path.basename(SHIPPED)
        # Optional header offsets: 40 operating-system version, 48 subsystem version.
        for field, offset in (("subsystem version", 48), ("operating-system version", 40)):
            with self.subTest(field=field):
                folder = self.in_folder(SHIPPED, name)
                path = os.path.join(folder, name)
                _code, before = run_checker(folder)
                self.assertNotIn(field, before, "the unpatched copy already fails on " + field)
                patch_version(path, offset, 6, 0)
                code, output = run_checker(folder)
                self.assertEqual(code, 1, output)
                self.assertRegex(output, rf"(?m)^{re.escape(name)}: .*{field} 6\.0\b", output)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    PROBE, SHIPPED = sys.argv[1], sys.argv[2]
    for required in (PROBE, SHIPPED):
        if not os.path.isfile(required):
            sys.exit(f"check_imports_test: no file {required} (build it first)")
    unittest.main(argv=sys.argv[:1], verbosity=2)
