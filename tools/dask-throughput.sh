#!/usr/bin/env bash
# Throughput of tools/glassmere-dask.py on a LocalCluster of 2 worker
# processes against glassmere-reflect -j 2, on the same photos in the same
# run, and a check that both wrote the same bytes.
#
#   tools/dask-throughput.sh [BUILD_DIR [COUNT]]    (default: build 200)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
count=${2:-200}
reflect=$build/glassmere-reflect
export PYTHONPATH=$build/python${PYTHONPATH:+:$PYTHONPATH}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/photos" "$work/cli" "$work/dask"
# One product-photo-sized JPEG, drawn here, under COUNT names.
MAGICK_THREAD_LIMIT=1 /usr/bin/convert -size 1600x1200 -seed 7 plasma:tan-steelblue -quality 90 "$work/one.jpg"
for i in $(seq -w 1 "$count"); do cp "$work/one.jpg" "$work/photos/photo$i.jpg"; done

now() { date +%s.%N; }
t0=$(now)
"$reflect" -j 2 "$work/photos" -o "$work/cli/" >/dev/null
t1=$(now)
/usr/bin/python3 tools/glassmere-dask.py --workers 2 "$work/photos" "$work/dask" 2>"$work/dask.log" >/dev/null
t2=$(now)
diff -r "$work/cli" "$work/dask" >/dev/null || { echo "the outputs differ" >&2; exit 1; }

awk -v n="$count" -v t0="$t0" -v t1="$t1" -v t2="$t2" \
    -v inner="$(grep -o '^[0-9.]* pictures/s' "$work/dask.log" | cut -d' ' -f1)" 'BEGIN {
    cli = t1 - t0; dask = t2 - t1
    printf "%d photos of 1600x1200, JPEG, identical outputs\n", n
    printf "glassmere-reflect -j 2        %6.2f s  %6.1f photos/s\n", cli, n / cli
    printf "glassmere-dask.py --workers 2 %6.2f s  %6.1f photos/s  (%.2f x the command line)\n", dask, n / dask, cli / dask
    printf "  the same, once the cluster is up      %6.1f photos/s  (%.2f x)\n", inner, inner / (n / cli)
}'
