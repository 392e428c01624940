#!/usr/bin/env bash
# Prints how large the tests are against the code they test, in the project's own terms:
# non-blank lines that are not only a comment, in C++ files tracked by git.
#   tests:   tests/ and fuzz/ (fuzz targets and their checks are test code)
#   product: every other C++ file (audio/, framework/, ui/, host/, cli/, ...)
# Usage: tools/test-ratio.sh [--max PERCENT]   (run in the project's root; .ci/run holds
# the tests at 35% at most)
# With --max it exits 1 when the tests are above PERCENT of the product.
set -u
max=""
[ "${1:-}" = "--max" ] && max=${2:-}
lines() { grep -E '\.(cpp|cc|cxx|h|hpp)$' | xargs -r cat | grep -v -E '^\s*$|^\s*//' | wc -l; }
t=$(git ls-files -- 'tests/*' 'fuzz/*' | lines)
p=$(git ls-files | grep -v -E '^(tests|fuzz)/' | lines)
[ "$p" -gt 0 ] || { echo "test-ratio: no product code"; exit 1; }
pct=$((100 * t / p))
echo "test-ratio: tests are ${pct}% of the product code ($t test lines, $p product lines; aim 25-33%)"
[ -z "$max" ] || [ "$pct" -le "$max" ]
