"""The Python module against the command line: the same pixels, clear errors
for bad arguments, and work that runs outside the GIL."""

import os
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import numpy as np

import glassmere
from pngfiles import read_png, write_png

REFLECT = os.environ["GLASSMERE_REFLECT"]


def photo(height, width, channels, seed):
    pixels = np.random.default_rng(seed).integers(0, 256, (height, width, channels), np.uint8)
    if channels == 4:
        pixels[0, :, 3] = 0  # fully transparent and fully opaque rows too
        pixels[1, :, 3] = 255
    return pixels


class SamePixelsAsCommandLine(unittest.TestCase):
    # side, transparent, other settings: every side in both modes, with gaps,
    # trims and colours spread over the rows.
    rows = [
        ("top", False, {}),
        ("bottom", False, {"size": 100, "depth": 0, "color": "#102030"}),
        ("left", False, {"interval": 25, "color": "#ff8000"}),
        ("right", False, {"interval": -50, "size": 60, "depth": 100}),
        ("top", True, {"interval": 10, "size": 0}),
        ("bottom", True, {}),
        ("left", True, {"interval": -80, "depth": 45}),
        ("right", True, {"size": 77, "color": "#000000"}),
    ]

    def test_reflect_writes_what_the_command_line_writes(self):
        with tempfile.TemporaryDirectory() as tmp:
            for channels in (3, 4):
                pixels = photo(17, 23, channels, seed=channels)
                source = os.path.join(tmp, f"photo{channels}.png")
                write_png(source, pixels)
                for side, transparent, settings in self.rows:
                    with self.subTest(channels=channels, side=side, transparent=transparent, **settings):
                        out = os.path.join(tmp, "out.png")
                        args = [REFLECT, source, "-o", out, "--side", side]
                        args += [f"--{k}={v}" for k, v in settings.items()]
                        subprocess.run(args + ["--transparent"] * transparent, check=True)
                        got = glassmere.reflect(pixels, side=side, transparent=transparent, **settings)
                        np.testing.assert_array_equal(got, read_png(out))

    def test_strided_view_is_read_as_its_pixels(self):
        pixels = photo(20, 30, 4, seed=7)
        view = pixels[::2, ::3, :3]
        np.testing.assert_array_equal(glassmere.reflect(view), glassmere.reflect(np.ascontiguousarray(view)))


class BadArguments(unittest.TestCase):
    def test_reflect_refuses(self):
        good = photo(8, 8, 3, seed=1)
        rows = [
            ([good.tolist()], {}, TypeError),
            ([good.astype(np.float32)], {}, TypeError),
            ([good.astype(np.uint16)], {}, TypeError),
            ([good[..., 0]], {}, ValueError),
            ([good[..., :2]], {}, ValueError),
            ([np.zeros((0, 5, 3), np.uint8)], {}, ValueError),
            ([good[np.newaxis]], {}, ValueError),
            ([good], {"side": "middle"}, ValueError),
            ([good], {"side": 1}, TypeError),
            ([good], {"size": 101}, ValueError),
            ([good], {"depth": -1}, ValueError),
            ([good], {"interval": -81}, ValueError),
            ([good], {"size": 2**70}, ValueError),
            ([good], {"size": 38.0}, TypeError),
            ([good], {"size": True}, TypeError),
            ([good], {"color": "#12345"}, ValueError),
            ([good], {"color": (1, 2, 3)}, TypeError),
            ([good], {"transparent": 1}, TypeError),
            ([good], {"opacity_typo": 3}, TypeError),
            ([good, "bottom"], {}, TypeError),
            ([], {}, TypeError),
            ([good], {"array": good}, TypeError),
            ([np.zeros((1, 5, 3), np.uint8)], {"interval": -80}, ValueError),  # the trim leaves no row
        ]
        for args, kwargs, error in rows:
            with self.subTest(args=[getattr(a, "shape", a) for a in args], kwargs=list(kwargs)):
                with self.assertRaises(error) as caught:
                    glassmere.reflect(*args, **kwargs)
                self.assertTrue(str(caught.exception))
                self.assertNotIn("\n", str(caught.exception))

    def test_reflect_file_refuses_and_keeps_files(self):
        with tempfile.TemporaryDirectory() as tmp:
            good, damaged, kept = (os.path.join(tmp, n) for n in ("good.png", "damaged.png", "kept.png"))
            write_png(good, photo(6, 6, 3, seed=2))
            with open(good, "rb") as f:
                data = f.read()
            with open(damaged, "wb") as f:
                f.write(data[:40])
            with open(kept, "wb") as f:
                f.write(b"keep me")
            rows = [
                (damaged, kept, {}, OSError, "cannot read"),
                (os.path.join(tmp, "missing.png"), kept, {}, OSError, "cannot read"),
                (good, os.path.join(tmp, "no", "such", "folder.png"), {}, OSError, "cannot write"),
                (good, os.path.join(tmp, "kept.unknownformat"), {}, OSError, "cannot write"),
                (good, good, {}, ValueError, "never written over"),
                (good, kept, {"size": -1}, ValueError, "size"),
                (None, kept, {}, TypeError, "input"),
            ]
            for source, target, kwargs, error, reason in rows:
                with self.subTest(source=source, target=target, **kwargs):
                    with self.assertRaisesRegex(error, reason):
                        glassmere.reflect_file(source, target, **kwargs)
                    with open(good, "rb") as f:
                        self.assertEqual(f.read(), data)
                    with open(kept, "rb") as f:
                        self.assertEqual(f.read(), b"keep me")


class RunsOutsideTheGil(unittest.TestCase):
    def test_two_threads(self):
        pixels = photo(1500, 2000, 3, seed=3)
        glassmere.reflect(pixels)  # warm up

        def timed(threads):
            workers = [threading.Thread(target=glassmere.reflect, args=(pixels,)) for _ in range(threads)]
            start = time.perf_counter()
            for w in workers:
                w.start()
            for w in workers:
                w.join()
            return time.perf_counter() - start

        one = min(timed(1) for _ in range(3))
        two = min(timed(2) for _ in range(3))
        print(f"\nreflect on a 2000x1500 photo: one thread {one * 1000:.0f} ms, "
              f"two threads at once {two * 1000:.0f} ms ({two / one:.2f} x one; 2 x would mean no parallelism)",
              file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
