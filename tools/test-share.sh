#!/usr/bin/env bash
# The tests' share of the code: lines of C++ (.cpp, .h) that are neither
# blank nor a // comment, under tests/ against the program's folders.
#
#   tools/test-share.sh
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
    git ls-files -- "$@" | grep -E '\.(cpp|h)$' | xargs cat | grep -Ev '^\s*(//.*)?$' | wc -l
}
tests=$(count tests)
code=$(count app engine batch cli jobs widgets python bench tools)
awk -v t="$tests" -v c="$code" 'BEGIN { printf "tests %d of %d code lines: %.1f %%\n", t, c, 100 * t / c }'
