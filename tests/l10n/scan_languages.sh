#!/bin/bash
# korvex-scan in the user's language: German under a German locale (report, date, messages,
# help), English throughout under a locale without a catalogue, the date line included.
# Usage: scan_languages.sh KORVEX_SCAN
set -u
scan=${1:?usage: scan_languages.sh KORVEX_SCAN}
folder=$(mktemp -d) || exit 1
trap 'rm -rf "$folder"' EXIT
failures=0
fail() {
    echo "FAIL: $1"
    echo "$2" | sed 's/^/    /'
    failures=$((failures + 1))
}
german_day='(Montag|Dienstag|Mittwoch|Donnerstag|Freitag|Samstag|Sonntag)'
english_day='(Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday)'
# Only the variables of the case at hand speak.
run() {
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG -u LC_TIME "$@" 2>&1
}

# German: LANGUAGE (with a language without a catalogue before it), or LANG alone.
for locale in "LANGUAGE=fr:de LANG=fr_FR.UTF-8" "LANG=de_DE.UTF-8" "LC_ALL=de_AT.UTF-8"; do
    # shellcheck disable=SC2086
    out=$(run $locale "$scan" "$folder")
    grep -q "^Prüfung aller Finder-Aliasse im Ordner $folder:$" <<<"$out" &&
        grep -q "^0 defekte Aliasse gefunden und 0 neu geschrieben, von 0 geprüften in" <<<"$out" &&
        grep -Eq "^Geprüft am $german_day, " <<<"$out" ||
        fail "German report under $locale" "$out"
    # shellcheck disable=SC2086
    out=$(run $locale "$scan" --bogus)
    grep -q "^korvex-scan: unbekannte Option '--bogus'$" <<<"$out" && grep -q '^Aufruf: ' <<<"$out" ||
        fail "German message and usage under $locale" "$out"
    # shellcheck disable=SC2086
    out=$(run $locale "$scan" "$folder/none")
    grep -q '^Dieser Ordner wurde nicht gefunden' <<<"$out" || fail "German error under $locale" "$out"
done

# No catalogue for the language: all English, the date too.
for locale in "LANG=fr_FR.UTF-8" "LANGUAGE=ja:fr LANG=ja_JP.UTF-8" "LANGUAGE=en:de LANG=de_DE.UTF-8" ""; do
    # shellcheck disable=SC2086
    out=$(run $locale "$scan" "$folder")
    expected="Scan of all Finder Aliases in the folder $folder:

Aliases found broken:


Found 0 broken Aliases, and rewrote 0, out of 0 scanned in $folder"
    [[ ${out%$'\n'Checked at *} == "$expected" ]] &&
        grep -Eq "^Checked at $english_day, " <<<"$out" ||
        fail "English report under '$locale'" "$out"
    # shellcheck disable=SC2086
    out=$(run $locale "$scan" --bogus)
    grep -q "^korvex-scan: unknown option '--bogus'$" <<<"$out" && grep -q '^Usage: ' <<<"$out" ||
        fail "English message and usage under '$locale'" "$out"
done

((failures == 0)) || exit 1
echo "korvex-scan speaks German under German locales and English under the others"
