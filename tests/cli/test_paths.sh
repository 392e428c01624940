#!/bin/sh
# Paths as users have them: spaces, quotes, letters beyond ASCII, bytes that are not UTF-8, a
# leading dash after "--". Each file is described, converted to a name like it with the same
# samples as a plain name gets, and named in --json so that a JSON reader gets the path back.
# Usage: test_paths.sh ORVEX_CLI
set -u
. "$(dirname "$0")/sox_scratch.sh"

sox -D -r 8000 -n -c 1 -b 16 plain.wav synth 3s sine 300 || fail "sox"
"$cli" info plain.wav >described || fail "plain.wav was not described"
"$cli" convert plain.wav plain-out.wav || fail "plain.wav did not convert"
for name in "take one.wav" "the \"best\" take's.wav" "Grüße – café ♪.wav" \
    "$(printf 'latin1 caf\351.wav')" "-dash.wav" " spaces around .wav"; do
    cp -- plain.wav "$name"
    "$cli" info -- "$name" | cmp -s - described || fail "'$name' described otherwise"
    "$cli" convert -- "$name" "out $name" && cmp -s "out $name" plain-out.wav ||
        fail "'$name' converted otherwise"
    "$cli" info --json -- "$name" | python3 -c 'import json, sys
sys.exit(json.load(sys.stdin)["path"] != sys.argv[1])' "$name" || fail "'$name' in --json"
done
echo "ok"
