#!/usr/bin/env bash
# The package's file type of Mac aliases, as a desktop sees it: packaging/korvex.xml installed
# into an isolated XDG_DATA_HOME, its database built, then gio (else xdg-mime) asked for the
# type of a real alias sample, of aliases the program makes, and of files that are no alias.
# Usage: mime_type.sh SOURCE_DIR KORVEX_SCAN SAMPLES_DIR
# Exit 77 (skipped) when the machine has neither update-mime-database nor a way to ask.
set -u
source_dir=$1 scan=$2 samples=$3
type=application/x-apple-finder-alias

command -v update-mime-database >/dev/null ||
    { echo "SKIP: no update-mime-database (shared-mime-info)"; exit 77; }
if command -v gio >/dev/null; then
    type_of() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
elif command -v xdg-mime >/dev/null; then
    type_of() { xdg-mime query filetype "$1"; }
else
    echo "SKIP: neither gio (libglib2.0-bin) nor xdg-mime (xdg-utils)"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-mime-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config TMPDIR=$work
export XDG_DATA_DIRS=/usr/local/share:/usr/share
mkdir -p "$XDG_DATA_HOME/mime/packages"
cp "$source_dir/packaging/korvex.xml" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime" || { echo "FAIL: update-mime-database"; exit 1; }

failures=0
expect() { # expect FILE yes|no
    local found
    found=$(type_of "$1")
    if [[ ($2 == yes && $found != "$type") || ($2 == no && $found == "$type") ]]; then
        echo "FAIL: $1 is $found"
        failures=$((failures + 1))
    fi
}

# Aliases the program's own writer made, named as Mac aliases are: with no extension.
"$scan" --demo >"$work/demo.out" 2>&1
demo=$(sed -n 's/^Made a demo folder of Finder aliases in //p' "$work/demo.out")
[[ -d $demo ]] || { echo "FAIL: --demo made no folder: $(cat "$work/demo.out")"; exit 1; }
expect "$demo/Report alias" yes
expect "$demo/Old/Plan alias" yes # no Finder information at all: its content alone

# Files that are no alias: a text starting with "book", one with the alias's first 12 bytes
# only, plain bookmark data ("book" and a length), an empty file.
printf 'book of recipes\n' >"$work/recipes"
printf 'book\0\0\0\0mark\1\0\0\0' >"$work/almost"
printf 'book\060\002\0\0\0\0\0\004\020\060\0\0' >"$work/bookmark"
: >"$work/empty"
for file in recipes almost bookmark empty; do
    expect "$work/$file" no
done

if [[ -d $samples ]]; then
    found=0
    for sample in "$samples"/*.alias; do
        [[ -f $sample ]] || continue
        # Without the ".alias" the sample is named as on a Mac.
        cp "$sample" "$work/sample alias"
        expect "$work/sample alias" yes
        found=1
    done
    ((found)) || echo "note: no *.alias file in $samples"
else
    echo "note: no samples in $samples: the check of real Mac aliases is skipped"
fi

((failures == 0)) || exit 1
echo "the type $type names every alias and nothing else"
