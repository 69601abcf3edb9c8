#!/usr/bin/env bash
# Runs the built korvex-scan on a temporary tree: streams, exit statuses, relative folders.
set -u
scan="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/korvex-e2e-XXXXXX")"
trap 'rm -rf "$work"' EXIT
# Never the user's own saved path mappings.
export XDG_CONFIG_HOME="$work/config"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$scan" --demo >"$work/demo.out" 2>"$work/demo.err" || fail "--demo exited $?"
demo="$(sed -n 's/^Made a demo folder of Finder aliases in //p' "$work/demo.out")"
[ -d "$demo" ] || fail "--demo did not say where its folder is"
trap 'rm -rf "$work" "$demo"' EXIT

cd "$(dirname "$demo")"
"$scan" "$(basename "$demo")" >"$work/out" 2>"$work/err"
status=$?
[ "$status" = 1 ] || fail "scan of the demo exited $status, not 1"
[ ! -s "$work/err" ] || fail "stderr not empty: $(cat "$work/err")"
head -1 "$work/out" | grep -qxF "Scan of all Finder Aliases in the folder $demo:" ||
    fail "relative folder not made absolute: $(head -1 "$work/out")"
grep -qxF "$demo/Old/Plan alias" "$work/out" || fail "broken alias not listed"
[ "$(tail -c 1 "$work/out" | od -An -c | tr -d ' ')" = '\n' ] || fail "no final line feed"

# As a script uses it: the target of an alias, ready to open.
[ "$(cd "$demo" && "$scan" --resolve "Report alias")" = "$demo/Documents/Report.txt" ] ||
    fail "--resolve did not print the target"
"$scan" --resolve "$demo/Old/Plan alias" >/dev/null 2>&1
[ "$?" = 1 ] || fail "--resolve of a broken alias did not exit 1"

"$scan" "$work/no such folder" >"$work/out" 2>"$work/err"
status=$?
[ "$status" = 2 ] || fail "missing folder exited $status, not 2"
[ ! -s "$work/out" ] || fail "stdout not empty for a missing folder"
grep -qxF "Couldn't find that folder. Try again." "$work/err" || fail "no message for a missing folder"

"$scan" "$demo" >/dev/full 2>/dev/null
[ "$?" = 2 ] || fail "a report that couldn't be written did not exit 2"
"$scan" --bogus >/dev/null 2>&1
[ "$?" = 2 ] || fail "bad option did not exit 2"
"$scan" --version | grep -q '^korvex-scan [0-9]' || fail "--version"
echo "end to end: ok"
