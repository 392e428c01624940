#!/bin/sh
# What users read names every container that Orvex reads, as orvex-cli's own refusal sentence
# names them: the README, both manual pages, the package's description and the software
# centre's; and the README's table of containers has a row for each.
# Usage: test_documents.sh ORVEX_CLI SOURCE_DIR
set -u
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
echo "just some words" > "$tmp/notes.txt"
list=$("$cli" info "$tmp/notes.txt" 2>&1 | sed -n 's/.*Orvex reads \(.*\) files\.$/\1/p')
[ -n "$list" ] || { echo "no list of what Orvex reads in orvex-cli's refusal"; exit 1; }
status=0
for document in README.md packaging/orvex.1.in packaging/orvex-cli.1.in \
    packaging/CMakeLists.txt packaging/orvex.metainfo.xml; do
    # Lines joined as a reader sees them: troff's hyphens, CMake's split strings.
    words=$(sed -e 's/\\-/-/g' -e 's/\\n" *$//' -e 's/^ *"//' "$src/$document" | tr -s ' \n' '  ')
    echo "$list" | sed 's/, / and /g; s/ and /\n/g' > "$tmp/names"
    while IFS= read -r name; do
        case "$words" in
        *"$name"*) ;;
        *) echo "$document does not name $name"; status=1 ;;
        esac
    done < "$tmp/names"
done
# The README's table of containers has a row of its own for each: its first column, with
# "X and Y" and "X / Y" read as the refusal sentence's "X/Y".
rows=$(sed -n '/^| container | encodings |$/,/^$/p' "$src/README.md" | cut -d'|' -f2 \
       | sed 's/ and /\//g; s/ \/ /\//g')
while IFS= read -r name; do
    case "$rows" in
    *"$name"*) ;;
    *) echo "README.md's table of containers has no row for $name"; status=1 ;;
    esac
done < "$tmp/names"
exit $status
