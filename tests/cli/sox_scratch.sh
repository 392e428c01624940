# Shared by the shell tests that run orvex-cli on files sox writes: sourced with orvex-cli's
# path as $1. Sets $cli to it, skips the test where sox is missing, and works in a scratch
# folder of its own, removed at the end; fail() says why and ends the test, and
# offset MARK FILE gives where a chunk's name first stands in a file.
cli=$(readlink -f "$1")
command -v sox >/dev/null 2>&1 || { echo "skipped: sox is not installed"; exit 77; }
work=$(mktemp -d /tmp/orvex-cli-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$work" || exit 1
offset() { grep -obUa "$1" "$2" | head -n 1 | cut -d: -f1; }
