#!/bin/bash
# Every translation catalogue against the sources: lupdate reads the sources into a copy of each
# catalogue, which must then hold no unfinished entry (a text of the sources not translated yet)
# and no obsolete or vanished one (a translation whose text left the sources). The catalogues in
# the repository are never touched: `--target korvex_lupdate` updates them.
# Usage: catalogue_check.sh LUPDATE SOURCE_DIR 'LUPDATE OPTIONS' 'SOURCE FOLDERS' TS_FILE...
set -u
lupdate=${1:?usage: catalogue_check.sh LUPDATE SOURCE_DIR OPTIONS FOLDERS TS_FILE...}
source_dir=$2
read -r -a options <<<"$3"
read -r -a folders <<<"$4"
shift 4
(($# > 0)) || { echo "no catalogue given"; exit 1; }

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
for ts in "$@"; do
    name=$(basename "$ts")
    [[ -r $ts ]] || { echo "can't read $ts"; failures=$((failures + 1)); continue; }
    cp "$ts" "$work/$name"
    if ! (cd "$source_dir" && "$lupdate" "${options[@]}" "${folders[@]}" -ts "$work/$name") \
        >"$work/$name.log" 2>&1; then
        cat "$work/$name.log"
        echo "lupdate failed on $name"
        failures=$((failures + 1))
        continue
    fi
    # A message is a <message> ... </message> block; its source and what is wrong with it.
    problems=$(awk '
        /<message/ { source = ""; insource = 0; state = "" }
        /<source>/ { insource = 1; source = $0 }
        insource && !/<source>/ { source = source " " $0 }
        /<\/source>/ { insource = 0 }
        /<translation[^>]*type="(unfinished|obsolete|vanished)"/ {
            match($0, /type="[a-z]+"/)
            state = substr($0, RSTART + 6, RLENGTH - 7)
        }
        /<\/message>/ && state != "" {
            gsub(/^ *<source>|<\/source>.*$/, "", source)
            print state ": " source
        }' "$work/$name")
    if [[ -n $problems ]]; then
        echo "$name is not complete (translate with linguist, or update it with the"
        echo "korvex_lupdate target and translate what it marks unfinished):"
        echo "$problems"
        failures=$((failures + 1))
    fi
done
((failures == 0)) || exit 1
echo "every catalogue translates every text of the sources, and nothing else"
