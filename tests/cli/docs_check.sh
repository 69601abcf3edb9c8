#!/bin/bash
# The manual and the man page of korvex-scan against the program: every option that
# cli/Arguments.cpp accepts and every kind of report line the program prints must be described in
# both, so that an option or a line added without its documentation fails here.
# Usage: docs_check.sh SOURCE_DIR
set -u
source_dir=${1:?usage: docs_check.sh SOURCE_DIR}
manual=$source_dir/docs/manual.md
man_page=$source_dir/packaging/korvex-scan.1
for file in "$source_dir/cli/Arguments.cpp" "$manual" "$man_page"; do
    [[ -r $file ]] || { echo "can't read $file"; exit 1; }
done

normalise_roff() {
    sed -e 's/\\f[BIRP]//g' -e 's/\\f(..//g' -e 's/\\-/-/g' -e 's/\\ / /g' \
        -e 's/\\(dq/"/g' -e 's/\\(aq/'"'"'/g' -e 's/\\&//g' "$@"
}
# The man page as plain text: no font changes, "\-" as "-", "\ " as a space, \(dq as a quote.
man_text=$(normalise_roff "$man_page")
manual_text=$(cat "$manual")
# The synopses: the man page's SYNOPSIS section, the manual's block under "## The command line".
man_synopsis=$(sed -n '/^\.SH SYNOPSIS/,/^\.SH DESCRIPTION/p' "$man_page" | normalise_roff)
manual_synopsis=$(sed -n '/^## The command line/,/^[^ #]/p' "$manual" | grep '^    ')
[[ -n $man_synopsis && -n $manual_synopsis ]] || { echo "no synopsis found"; exit 1; }

failures=0
missing() {
    echo "$1 is not in $2"
    failures=$((failures + 1))
}

# Options: every string literal of Arguments.cpp that is a whole option ("--map" and "--map="
# alike); "-" and "--" are operands and the end of the options, not options.
options=$(grep -o '"-\{1,2\}[a-z][-a-z]*=\?"' "$source_dir/cli/Arguments.cpp" |
    tr -d '"' | sed 's/=$//' | sort -u)
[[ -n $options ]] || { echo "no options found in cli/Arguments.cpp"; exit 1; }
for option in $options; do
    # A whole option: "--relink" must not be found inside "--undo-relink" or "--relinked".
    pattern="(^|[^-a-zA-Z])${option}([^-a-zA-Z]|$)"
    grep -Eq -- "$pattern" <<<"$manual_text" || missing "$option" docs/manual.md
    grep -Eq -- "$pattern" <<<"$man_text" || missing "$option" packaging/korvex-scan.1
    # Every long option in the synopses too (-h is --help's other name).
    if [[ $option == --* ]]; then
        grep -Eq -- "$pattern" <<<"$manual_synopsis" ||
            missing "$option" "the synopsis of docs/manual.md"
        grep -Eq -- "$pattern" <<<"$man_synopsis" ||
            missing "$option" "the synopsis of packaging/korvex-scan.1"
    fi
done

# Report lines: every "Couldn't ..." the engine and korvex-scan print, up to a colon or a
# placeholder (what follows is the path or the reason), and the other lines of the reports,
# each of which must still be printed by the program (so that this list can't outlive what it
# checks).
lines=$(grep -rhoE --include='*.cpp' "\"Couldn't [^\"]*\"" "$source_dir/engine" "$source_dir/cli" |
    sed -e 's/^"//' -e 's/"$//' -e 's/\\n$//' -e 's/:.*//' -e 's/ *%[0-9n].*//' -e 's/ *$//' |
    sort -u)
[[ -n $lines ]] || { echo "no \"Couldn't\" lines found in the sources"; exit 1; }
others=(
    "Scan of all Finder Aliases in the folder"
    "Aliases found broken:"
    "Stopped before the end of the folder."
    "Checked at"
    "Possible new targets:"
    "None found."
    "Suggested path mapping:"
    "Relinked"
    "Restored"
    "Left as it is"
    "Removed"
    "it isn't the one a scan wrote"
)
for line in "${others[@]}"; do
    grep -rqF --include='*.cpp' -- "$line" "$source_dir/engine" "$source_dir/cli" ||
        missing "\"$line\" (listed in docs_check.sh)" "the sources any more"
done
# A line may be wrapped anywhere in the documents: look for it in their text on one line.
manual_flat=$(tr -s ' \n' '  ' <<<"$manual_text")
man_flat=$(grep -v '^\.\\"' <<<"$man_text" | tr -s ' \n' '  ')
while IFS= read -r line; do
    grep -qF -- "$line" <<<"$manual_flat" || missing "\"$line\"" docs/manual.md
    grep -qF -- "$line" <<<"$man_flat" || missing "\"$line\"" packaging/korvex-scan.1
done < <(printf '%s\n' "$lines" "${others[@]}")

if ((failures > 0)); then
    echo "$failures gaps between the program and its documentation"
    exit 1
fi
echo "docs agree with $(wc -w <<<"$options") options and $(($(wc -l <<<"$lines") + ${#others[@]})) kinds of report lines"
