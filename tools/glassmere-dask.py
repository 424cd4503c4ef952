#!/usr/bin/python3
"""Converts a folder tree of photos, or a list of them, on a Dask cluster.

    tools/glassmere-dask.py [--workers N | --scheduler ADDRESS] [--files-from LIST]
                            [--side S] [--size N] [--depth N] [--interval N]
                            [--color #RRGGBB] [--transparent] [--force] SOURCE TARGET

Every picture under SOURCE (subfolders included, hidden ones not) whose name
glassmere-reflect's batch takes is converted by one task, glassmere.reflect_file,
into the same place under TARGET, named as the batch names it. With
--files-from, only the files the list names (one per line, or NUL-separated as
`find -print0` writes them; "-" reads standard input), each under SOURCE.

Without --scheduler a LocalCluster of N worker processes runs on this machine;
with it, the workers of that scheduler do the work, and SOURCE and TARGET must
then be the same paths on every machine (a shared file system), with the
glassmere module installed on each.

An output that exists and is not older than its photo is complete (outputs are
written whole or not at all) and is skipped, so a rerun converts only what is
missing or failed; --force converts everything again. Each failure is one line
on standard error, the summary goes to standard output, and the exit status is
1 when any picture failed, 2 when the request was refused.
"""

import argparse
import os
import sys
import time

PATTERNS = ("bmp", "gif", "jpg", "jpeg", "mng", "png", "pbm", "pgm", "ppm", "tiff", "xbm", "xpm", "svg", "tga",
            "ico")


def fail(message, code=2):
    print(f"glassmere-dask: {message}", file=sys.stderr)
    sys.exit(code)


def output_name(name, transparent):
    """The batch's rule: transparent outputs need alpha, so every source but
    those whose format keeps it (ICO, TIFF, WebP, AVIF) becomes its name up to
    the first dot plus .PNG."""
    if not transparent or name.rsplit(".", 1)[-1].upper() in ("ICO", "TIFF", "TIF", "WEBP", "AVIF"):
        return name
    return name.split(".", 1)[0] + ".PNG"


def walk(source, target):
    """Relative paths of the pictures under `source`, leaving out hidden
    entries and `target` itself when it lies inside."""
    skip = os.path.realpath(target)
    for folder, dirs, files in os.walk(source):
        dirs[:] = sorted(d for d in dirs
                         if not d.startswith(".") and os.path.realpath(os.path.join(folder, d)) != skip)
        for name in sorted(files):
            if not name.startswith(".") and "." in name and name.rsplit(".", 1)[1].lower() in PATTERNS:
                path = os.path.join(folder, name)
                if os.path.isfile(path):
                    yield os.path.relpath(path, source)


def listed(list_file, source):
    data = sys.stdin.buffer.read() if list_file == "-" else open(list_file, "rb").read()
    entries = data.split(b"\0") if b"\0" in data else data.splitlines()
    root = os.path.realpath(source)
    for entry in entries:
        if not entry:
            continue
        path = os.fsdecode(entry)
        relative = os.path.relpath(os.path.realpath(os.path.join(source, path)), root)
        if relative.startswith(os.pardir):
            fail(f'"{path}" is not under {source}')
        yield relative


def is_complete(source, output):
    try:
        return os.stat(output).st_mtime_ns >= os.stat(source).st_mtime_ns
    except OSError:
        return False


def convert(source, output, settings):
    """One task: one picture. Returns None, or the one-line reason it failed."""
    import glassmere  # on the worker

    try:
        os.makedirs(os.path.dirname(output), exist_ok=True)
        glassmere.reflect_file(source, output, **settings)
    except Exception as error:  # reported, and the other pictures go on
        return str(error)
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[2],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("source", metavar="SOURCE", help="folder the photos are in")
    parser.add_argument("target", metavar="TARGET", help="folder the tree of outputs goes into")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--workers", type=int, default=os.cpu_count(),
                       help="worker processes of a LocalCluster on this machine (default: one per core)")
    where.add_argument("--scheduler", metavar="ADDRESS", help="a running Dask scheduler, e.g. tcp://host:8786")
    parser.add_argument("--files-from", metavar="LIST", help="convert the files LIST names ('-': standard input)")
    parser.add_argument("--force", action="store_true", help="convert complete outputs again")
    parser.add_argument("--side", default="bottom")
    parser.add_argument("--size", type=int, default=38)
    parser.add_argument("--depth", type=int, default=30)
    parser.add_argument("--interval", type=int, default=0)
    parser.add_argument("--color", default="#ffffff")
    parser.add_argument("--transparent", action="store_true")
    args = parser.parse_args()

    import numpy
    import glassmere
    from distributed import Client, LocalCluster, as_completed

    settings = {k: getattr(args, k) for k in ("side", "size", "depth", "interval", "color", "transparent")}
    try:  # the module's own checks, before any task starts
        glassmere.reflect(numpy.zeros((100, 100, 3), numpy.uint8), **settings)
    except (TypeError, ValueError) as error:
        fail(error)
    if not os.path.isdir(args.source):
        fail(f'the source "{args.source}" is not a folder')
    if os.path.exists(args.target) and os.path.samefile(args.source, args.target):
        fail("the target is the source folder; its photos are never written over")
    if args.workers is not None and args.workers < 1:
        fail("--workers takes a whole number from 1 up")

    todo, skipped, failures = [], 0, []
    pictures = listed(args.files_from, args.source) if args.files_from else walk(args.source, args.target)
    for relative in pictures:
        source = os.path.join(args.source, relative)
        folder, name = os.path.split(relative)
        output = os.path.join(args.target, folder, output_name(name, args.transparent))
        if os.path.exists(output) and os.path.exists(source) and os.path.samefile(source, output):
            failures.append(f'the output "{output}" is the photo itself; it is never written over')
        elif not args.force and is_complete(source, output):
            skipped += 1
        else:
            todo.append((source, output))

    start = time.monotonic()
    converted = 0
    if todo:
        if args.scheduler:
            client = Client(args.scheduler)
        else:
            cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                                   dashboard_address=None)
            client = Client(cluster)
        with client:
            ready = time.monotonic()
            futures = client.map(convert, [s for s, _ in todo], [o for _, o in todo], settings=settings,
                                 pure=False)
            sources = {f.key: s for f, (s, _) in zip(futures, todo)}
            for future in as_completed(futures):
                try:
                    why = future.result()
                except Exception as error:  # the worker died on it
                    why = f'cannot convert "{sources[future.key]}": {error}'
                if why:
                    failures.append(why)
                else:
                    converted += 1
            done = time.monotonic()
        print(f"{converted / (done - ready):.1f} pictures/s once the cluster was up "
              f"({ready - start:.1f} s to start it)", file=sys.stderr)

    for why in sorted(failures):
        print(f"glassmere-dask: {why}", file=sys.stderr)
    print(f"{converted} converted, {skipped} already complete, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
