#!/usr/bin/env bash
# A fixed set of 20 glassmere-reflect conversions (19 single photos and one
# batch) over photos drawn here, printing "sha256  name" for every output.
# Run it before and after a change that must leave the pixels alone: the
# lines must be identical.
#
#   tools/reference-conversions.sh [BUILD_DIR]    (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
reflect=$(realpath "${1:-build}")/glassmere-reflect
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Our own photos: odd sizes (so that every fast path has a remainder),
# gradients with seeded grain, 8 and 16 bits, with and without alpha.
python3 - "$work" <<'EOF'
import random, struct, sys, zlib

def png(path, width, height, depth, alpha, seed):
    rng = random.Random(seed)
    top = (1 << depth) - 1
    channels = 4 if alpha else 3
    rows = []
    for y in range(height):
        row = bytearray(b"\0")
        for x in range(width):
            px = [(x * top // width + rng.randrange(top // 8 + 1)) % (top + 1),
                  (y * top // height) ^ (x & 0x3f) * (top // 255),
                  ((x + y) * top // (width + height) + rng.randrange(top // 4 + 1)) % (top + 1)]
            if alpha:
                px.append(min(top, max(0, (x * 3 + y) * top // (3 * width + height) + rng.randrange(top // 16 + 1))))
            for v in px:
                row += struct.pack(">H" if depth == 16 else "B", v)
        rows.append(bytes(row))
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    header = struct.pack(">IIBBBBB", width, height, depth, 6 if alpha else 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows)))
                + chunk(b"IEND", b""))

out = sys.argv[1]
png(f"{out}/rgb.png", 253, 187, 8, False, 1)
png(f"{out}/rgba.png", 197, 223, 8, True, 2)
png(f"{out}/rgb16.png", 161, 131, 16, False, 3)
png(f"{out}/rgba16.png", 143, 157, 16, True, 4)
EOF

mkdir "$work/out" "$work/batch-in" "$work/batch-out"
n=0
run() { # NAME INPUT [OPTIONS...]
    local name=$1 input=$2
    shift 2
    n=$((n + 1))
    "$reflect" "$@" "$work/$input" -o "$work/out/$(printf %02d "$n")-$name"
}
run bottom.png rgb.png
run top-colour.png rgb.png --side top --color '#203040'
run left.png rgb.png --side left --size 55 --depth 10
run right.png rgb.png --side right --size 80 --depth 60
run bottom-transparent.png rgba.png --transparent
run top-transparent.png rgba.png --side top --transparent --size 100 --depth 0
run left-transparent-blur.png rgba.png --side left --transparent --blur 60
run right-transparent-opacity.png rgba.png --side right --transparent --opacity 40
run bottom-opacity.png rgb.png --opacity 40
run bottom-blur.png rgb.png --blur 100
run left-blur.png rgb.png --side left --blur 50 --color '#ff8000'
run right-opacity-blur.png rgb.png --side right --opacity 70 --blur 30
run bottom-gap.png rgb.png --interval 20 --color '#ff8000'
run top-trim.png rgb.png --side top --interval -25
run right-gap-transparent.png rgba.png --side right --interval 15 --transparent
run left-trim.jpg rgb.png --side left --interval -40 --quality 90
run bottom-16.png rgb16.png --opacity 60
run left-16-transparent-blur.png rgba16.png --side left --transparent --blur 40
run right-16.tif rgb16.png --side right --opacity 50 --interval 10
# The batch: three photos through two worker processes.
cp "$work/rgb.png" "$work/rgba.png" "$work/rgb16.png" "$work/batch-in/"
"$reflect" -j 2 --side top --blur 20 --opacity 80 "$work/batch-in" -o "$work/batch-out/" >/dev/null
n=$((n + 1))
for f in "$work"/batch-out/*; do cp "$f" "$work/out/$(printf %02d "$n")-batch-$(basename "$f")"; done

cd "$work/out"
sha256sum -- *
