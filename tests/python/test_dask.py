"""tools/glassmere-dask.py on a LocalCluster of two worker processes against
glassmere-reflect's batch, folder by folder."""

import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

import glassmere
from pngfiles import write_png

REFLECT = os.environ["GLASSMERE_REFLECT"]
SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "glassmere-dask.py")
SETTINGS = ["--side", "left", "--interval", "10", "--color", "#336699", "--transparent"]
FOLDERS = ["", "shoes", "shoes/red", "bags"]


class DaskTree(unittest.TestCase):
    def test_tree_failures_and_rerun(self):
        with tempfile.TemporaryDirectory() as tmp:
            source, target, expected = (os.path.join(tmp, n) for n in ("photos", "out", "expected"))
            rng = np.random.default_rng(5)
            for i in range(40):
                folder = os.path.join(source, FOLDERS[i % len(FOLDERS)])
                os.makedirs(folder, exist_ok=True)
                png = os.path.join(folder, f"item{i:02}.v2.png")
                write_png(png, rng.integers(0, 256, (12 + i % 5, 16, 3 + i % 2), np.uint8))
                if i % 3 == 0:  # JPEG and BMP photos too, written by the engine
                    glassmere.reflect_file(png, png[:-4] + (".jpg" if i % 2 else ".bmp"), size=0)
                    os.remove(png)
            damaged = [os.path.join(source, "bags", "item07.v2.png"), os.path.join(source, "shoes", "item01.v2.png")]
            for path in damaged:
                with open(path, "r+b") as f:
                    f.truncate(50)

            def run():
                return subprocess.run([sys.executable, SCRIPT, "--workers", "2", *SETTINGS, source, target],
                                      capture_output=True, text=True, timeout=120)

            first = run()
            print(first.stderr, file=sys.stderr)
            self.assertEqual(first.returncode, 1)
            self.assertEqual(first.stdout, "38 converted, 0 already complete, 2 failed\n")
            reported = [line for line in first.stderr.splitlines() if line.startswith("glassmere-dask: ")]
            self.assertEqual(len(reported), 2)
            for line, path in zip(reported, damaged):
                self.assertTrue(line.startswith(f'glassmere-dask: cannot read "{path}": '), line)

            for folder in FOLDERS:
                os.makedirs(os.path.join(expected, folder), exist_ok=True)
                subprocess.run([REFLECT, *SETTINGS, "-j", "2", os.path.join(source, folder), "-o",
                                os.path.join(expected, folder) + "/"], capture_output=True)
            outputs = {}
            for folder, _, files in os.walk(expected):
                for name in files:
                    relative = os.path.relpath(os.path.join(folder, name), expected)
                    with open(os.path.join(expected, relative), "rb") as a, open(os.path.join(target, relative),
                                                                                 "rb") as b:
                        self.assertEqual(a.read(), b.read(), relative)
                    outputs[relative] = os.stat(os.path.join(target, relative)).st_mtime_ns
            self.assertEqual(len(outputs), 38)
            self.assertEqual(sum(len(files) for _, _, files in os.walk(target)), 38)

            again = run()
            self.assertEqual(again.returncode, 1)
            self.assertEqual(again.stdout, "0 converted, 38 already complete, 2 failed\n")
            for relative, mtime in outputs.items():
                self.assertEqual(os.stat(os.path.join(target, relative)).st_mtime_ns, mtime, relative)


if __name__ == "__main__":
    unittest.main()
