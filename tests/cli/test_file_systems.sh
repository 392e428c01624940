#!/bin/sh
# The real orvex-cli on real file systems and under real limits, as an administrator would
# meet them: a FAT card that ignores letter case (fusefat), a read-only mount, a folder the
# user may not write in, a sticky folder, too few file descriptors, a file size limit, and a
# machine without libsndfile. Each case checks the exit status, the sentence, and that the
# folders hold what they held. The cases that need root, a mount namespace or /dev/fuse say
# that they were skipped where those are missing.
# Usage: test_file_systems.sh ORVEX_CLI
set -u
cli=$(readlink -f "$1")
work=$(mktemp -d /tmp/orvex-fs-XXXXXX)
chmod 755 "$work" # for the cases run as another user
mounted=""
cleanup() {
    [ -n "$mounted" ] && fusermount -u "$mounted" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
skipped=""
skip() { skipped="$skipped; $*"; }
listing() { find "$1" -mindepth 1 -printf "%P %s\n" | sort; }
# Runs orvex-cli, keeping its status and what it said.
run() { "$@" >"$work/said" 2>&1; status=$?; }
said() { grep -q -- "$1" "$work/said" || fail "$2: no \"$1\" in: $(cat "$work/said")"; }

cd "$work" || exit 1
sox -r 8000 -c 1 -n -b 16 in.wav synth 0.2 sine 300 2>/dev/null || fail "sox"
sox -r 8000 -c 2 -n -e ima-adpcm ima.wav synth 0.2 sine 300 2>/dev/null || fail "sox"
sox -r 8000 -c 1 -n -e gsm-full-rate gsm.wav synth 0.2 sine 300 2>/dev/null || fail "sox"
root=no
[ "$(id -u)" -eq 0 ] && root=yes
unshare -m true 2>/dev/null && namespaces=yes || namespaces=no

# ---- A FAT card: names that differ only in letter case are one file there.
if [ "$root" = yes ] && [ -c /dev/fuse ] && command -v fusefat >/dev/null && command -v mkfs.vfat >/dev/null; then
    truncate -s 16M card.img && mkfs.vfat card.img >/dev/null || fail "mkfs.vfat"
    mkdir card x y && fusefat -o rw+ card.img card >/dev/null 2>&1 || fail "fusefat"
    mounted=$work/card
    cp in.wav x/zoo.aif && cp ima.wav y/ZOO.aif && cp ima.wav card/IMA.WAV
    before=$(listing card; md5sum card/IMA.WAV)
    run "$cli" convert -t card x/zoo.aif y/ZOO.aif
    [ $status -eq 2 ] || fail "FAT: two outputs that are one file converted ($status)"
    said "the same file as" "FAT"
    run "$cli" convert card/IMA.WAV card/ima.wav
    [ $status -eq 1 ] || fail "FAT: the input's other spelling was written over ($status)"
    said "(code 71)" "FAT"
    [ "$(listing card; md5sum card/IMA.WAV)" = "$before" ] || fail "FAT: the card changed"
    run "$cli" convert -t card card/IMA.WAV
    [ $status -eq 2 ] || fail "FAT: a batch output over its input ($status)"
    fusermount -u card && mounted=""
else
    skip "FAT card (needs root, /dev/fuse, fusefat and dosfstools)"
fi

# ---- Folders that refuse: read-only, not the user's, sticky.
mkdir -p ro closed sticky
if [ "$root" = yes ] && [ "$namespaces" = yes ]; then
    unshare -m sh -c 'mount --bind ro ro && mount -o remount,bind,ro ro &&
        exec "$0" convert in.wav ro/out.wav' "$cli" >said 2>&1
    [ $? -eq 1 ] || fail "read-only: converted"
    said "mounted read-only" "read-only"
else
    skip "read-only mount (needs root and a mount namespace)"
fi
if [ "$root" = yes ] && command -v setpriv >/dev/null; then
    nobody="setpriv --reuid=65534 --regid=65534 --clear-groups"
    chmod 755 closed && chmod 1777 sticky && printf 'root' >sticky/out.wav && chmod 644 in.wav
    run $nobody "$cli" convert in.wav closed/out.wav
    [ $status -eq 1 ] && said "not allowed to write in closed" "closed folder"
    if [ "$namespaces" = yes ]; then # where a named temporary file must be used
        run unshare -m sh -c 'mount -t tmpfs none /proc && exec "$@"' sh $nobody "$cli" convert \
            in.wav closed/out.wav
        [ $status -eq 1 ] && said "not allowed to write in closed" "closed folder, named"
    fi
    run $nobody "$cli" convert in.wav sticky/out.wav
    [ $status -eq 1 ] && said "only a file's owner may replace it" "sticky folder"
    [ "$(cat sticky/out.wav)" = root ] || fail "sticky folder: the file changed"
else
    skip "folders of another user (needs root and setpriv)"
fi

# ---- Too few file descriptors: a file that cannot be opened is never called damaged.
mkdir many out
for i in 1 2 3 4 5 6; do cp in.wav "many/$i.wav"; cp ima.wav "many/i$i.wav"; done
sh -c 'ulimit -n 12 && exec "$0" convert -j 6 -t out many/*' "$cli" >said 2>&1
! grep -q "damaged" said || fail "too many open files: $(grep damaged said | head -n 2)"
if grep -q "(code" said; then
    said "too many files are open" "too many open files"
fi
if ldd "$cli" | grep -qE 'lib(a|t|ub)san'; then
    skip "too few descriptors for the output (a sanitizer's runtime needs descriptors of its own)"
else
    sh -c 'ulimit -n 5 && exec "$0" convert in.wav out/few.wav' "$cli" >said 2>&1 # none left
    [ $? -eq 1 ] && said "too many files are open" "too few file descriptors for the output"
    [ ! -e out/few.wav ] || fail "too few file descriptors: an output was written"
fi

# ---- A file size limit: the conversion fails as on a full disk, and leaves nothing,
# also where a named temporary file must be used (no /proc to reach an unnamed one by).
sox -r 44100 -c 2 -n -b 16 big.wav synth 2 sine 300 2>/dev/null || fail "sox"
mkdir limited
for mode in unnamed named; do
    if [ $mode = named ]; then
        [ "$root" = yes ] && [ "$namespaces" = yes ] || { skip "named temporaries (needs root)"; continue; }
        unshare -m sh -c 'mount -t tmpfs none /proc && ulimit -f 64 &&
            exec "$0" convert big.wav limited/out.wav' "$cli" >said 2>&1
    else
        sh -c 'ulimit -f 64 && exec "$0" convert big.wav limited/out.wav' "$cli" >said 2>&1
    fi
    [ $? -eq 1 ] || fail "file size limit ($mode): not a failure"
    said "stopped: the disk is full or the file may not grow larger" "file size limit ($mode)"
    [ -z "$(ls -A limited)" ] || fail "file size limit ($mode): left $(ls -A limited)"
done

# ---- Without libsndfile, a file that needs it says so, and is not called damaged; plain
# values and ADPCM, which Orvex decodes itself, convert.
library=$(ldconfig -p | sed -n 's/.*libsndfile.so.1 (libc6,x86-64) => //p' | head -n 1)
if [ "$root" = yes ] && [ "$namespaces" = yes ] && [ -n "$library" ]; then
    unshare -m sh -c 'mount --bind /dev/null "$1" && exec "$0" info gsm.wav' "$cli" \
        "$(readlink -f "$library")" >said 2>&1
    [ $? -eq 1 ] || fail "without libsndfile: described"
    said "(code 74)" "without libsndfile"
    said "needs libsndfile (libsndfile.so.1)" "without libsndfile"
    for input in in.wav ima.wav; do
        unshare -m sh -c 'mount --bind /dev/null "$1" && exec "$0" convert "$2" out.wav' "$cli" \
            "$(readlink -f "$library")" "$input" >said 2>&1 || fail "without libsndfile: $input refused"
    done
else
    skip "without libsndfile (needs root and a mount namespace)"
fi

echo "ok: the file systems and limits behave${skipped:+ (skipped$skipped)}"
