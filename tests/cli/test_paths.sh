#!/bin/sh
# Paths as users have them: spaces, quotes, letters beyond ASCII, bytes that are not UTF-8, a
# leading dash after "--". Each file is described, converted to a name like it with the same
# samples as a plain name gets, and named in --json so that a JSON reader gets the path back.
# An output reached through 40 symbolic links, as many as the kernel follows, is written
# through them to the file they name; through 41, refused, and nothing is written.
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

mkdir chain
i=1
while [ $i -le 41 ]; do ln -s "$((i + 1))" "chain/$i"; i=$((i + 1)); done
"$cli" convert plain.wav chain/2 2>err || fail "40 links: $(cat err)"
cmp -s chain/42 plain-out.wav && [ -L chain/2 ] || fail "40 links were not written through"
rm chain/42
"$cli" convert plain.wav chain/1 2>err && fail "41 links were followed"
grep -q 'symbolic link' err && [ ! -e chain/42 ] || fail "41 links: $(cat err)"
echo "ok"
