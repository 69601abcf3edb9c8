#!/usr/bin/env bash
# The report of korvex-scan is the same, byte for byte but for its "Checked at" line, whatever
# number of threads reads the tree: one, two and the default, on a tree with working and
# broken aliases, links, a deep chain of folders, many small folders, and entries that can't
# be read (as an ordinary user, when the test runs as root).
set -u
scan="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/korvex-same-XXXXXX")"
trap 'chmod -R u+rwX "$work" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$scan" --demo >"$work/demo.out" 2>&1 || fail "--demo exited $?"
demo="$(sed -n 's/^Made a demo folder of Finder aliases in //p' "$work/demo.out")"
[ -d "$demo" ] || fail "--demo did not say where its folder is"
tree="$work/tree"
mkdir "$tree"
cp -a "$demo" "$tree/demo"
rm -rf "$demo"
broken="$tree/demo/Old/Plan alias"
[ -f "$broken" ] || fail "the demo has no broken alias to copy"

# Many folders (enough for the look-ahead to read ahead on its threads), aliases among them.
for i in $(seq 1 40); do
    for j in $(seq 1 12); do
        mkdir -p "$tree/wide $i/sub $j"
        echo "file $i $j" >"$tree/wide $i/sub $j/notes.txt"
    done
    cp -a "$broken" "$tree/wide $i/sub $((i % 12 + 1))/alias $i"
    ln -s "/nowhere/$i" "$tree/wide $i/dangling"
done
# A chain deeper than the walk keeps folders open for.
deep="$tree/deep"
for i in $(seq 1 300); do
    deep="$deep/d"
done
mkdir -p "$deep"
cp -a "$broken" "$deep/deepest alias"
cp -a "$broken" "$tree/deep/d/d/d/shallow alias"
# What an ordinary user can't read: a folder, and an alias candidate.
mkdir "$tree/closed"
cp -a "$broken" "$tree/closed/hidden alias"
chmod 000 "$tree/closed"
cp -a "$broken" "$tree/wide 3/locked alias"
chmod 000 "$tree/wide 3/locked alias"
chmod -R go+rX "$work"
chmod 000 "$tree/closed" "$tree/wide 3/locked alias"

as_user=()
if [ "$(id -u)" = 0 ]; then
    command -v setpriv >/dev/null || fail "running as root needs setpriv to become an ordinary user"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
report() { # $1: arguments for the threads; the report without its time, then the status
    "${as_user[@]}" "$scan" $1 "$tree" >"$work/out" 2>"$work/err"
    echo "status $?"
    grep -v '^Checked at ' "$work/out"
    sed 's/^/stderr: /' "$work/err"
}
report "--threads 1" >"$work/one"
grep -qF "$tree/deep/d/d/d/shallow alias" "$work/one" || fail "a broken alias was not reported"
grep -qF "$deep/deepest alias" "$work/one" || fail "the deepest alias was not reported"
grep -qF "closed" "$work/one" || fail "the closed folder was not reported"
grep -qF "locked alias" "$work/one" || fail "the alias that can't be read was not reported"
for threads in "--threads 2" "" "--threads 64"; do
    report "$threads" >"$work/other"
    cmp -s "$work/one" "$work/other" ||
        fail "the report with ${threads:-the default threads} differs: $(diff "$work/one" "$work/other" | head -5)"
done
echo "same report: ok"
