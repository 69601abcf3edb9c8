#!/usr/bin/env bash
# The desktop files and the Dolphin service menu of the package: valid as their readers want
# them, each action with a name and a command, every option their commands give one that korvex
# has, the handler of the Mac alias type handling the type the package defines, the service
# menu executable (Dolphin ignores it otherwise) and everything installed by the package.
# Usage: desktop_files.sh SOURCE_DIR
# Exit 77 (skipped) without desktop-file-validate (desktop-file-utils).
set -u
source_dir=$1
packaging=$source_dir/packaging
command -v desktop-file-validate >/dev/null ||
    { echo "SKIP: no desktop-file-validate (desktop-file-utils)"; exit 77; }

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# key FILE GROUP KEY: the value of KEY in [GROUP].
key() {
    awk -v group="[$2]" -v key="$3" '
        /^\[/ { inside = ($0 == group); next }
        inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }' "$1"
}

# The long options korvex defines, from its command line parser.
options=$(grep -A1 'QCommandLineOption [a-zA-Z]*(' "$source_dir/app/main.cpp" |
    sed -n 's/.*QStringLiteral("\([a-z-]*\)").*/--\1/p')

# check_exec FILE GROUP: the command starts korvex with options it has and takes files.
check_exec() {
    local exec
    exec=$(key "$1" "$2" Exec)
    [[ -n $exec ]] || { fail "$1 [$2] has no Exec"; return; }
    read -r -a words <<<"$exec"
    [[ ${words[0]} == korvex ]] || fail "$1 [$2] runs ${words[0]}, not korvex"
    [[ $exec =~ %[fF]$ ]] || fail "$1 [$2] takes no files: $exec"
    for word in "${words[@]:1}"; do
        if [[ $word == --* ]] && ! grep -qx -- "$word" <<<"$options"; then
            fail "$1 [$2] gives korvex $word, which it doesn't have"
        fi
    done
    [[ -n $(key "$1" "$2" Name) || $2 == "Desktop Entry" ]] || fail "$1 [$2] has no Name"
}

# check_actions FILE: every action listed has its group, with a name and a command.
check_actions() {
    local actions
    actions=$(key "$1" "Desktop Entry" Actions)
    for action in ${actions//;/ }; do
        grep -qx "\[Desktop Action $action\]" "$1" || fail "$1 lists $action, with no group"
        check_exec "$1" "Desktop Action $action"
    done
}

application=$packaging/korvex.desktop
handler=$packaging/korvex-open-alias.desktop
service_menu=$packaging/servicemenus/korvex-find-broken-aliases.desktop
alias_menu=$packaging/servicemenus/korvex-show-original.desktop

for file in "$application" "$handler"; do
    desktop-file-validate "$file" || fail "$file is not valid"
    check_exec "$file" "Desktop Entry"
    check_actions "$file"
done

# The handler handles the type the package defines, with --open; the application handles none
# (a folder given to it is scanned, only reading, but it is no folder opener).
type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$packaging/korvex.xml")
[[ $(key "$handler" "Desktop Entry" MimeType) == "$type;" ]] ||
    fail "$handler doesn't handle $type"
[[ $(key "$handler" "Desktop Entry" Exec) == "korvex --open %F" ]] ||
    fail "$handler doesn't open aliases with korvex --open"
[[ -z $(key "$application" "Desktop Entry" MimeType) ]] || fail "$application handles types"

# Dolphin's service menus (KIO's own format, which desktop-file-validate doesn't know): on
# folders, and on Mac aliases.
check_service_menu() { # check_service_menu FILE TYPE
    [[ -x $1 ]] || fail "$1 is not executable"
    [[ $(key "$1" "Desktop Entry" Type) == Service ]] || fail "$1 is no service"
    [[ $(key "$1" "Desktop Entry" MimeType) == *"$2;"* ]] || fail "$1 is not offered on $2"
    [[ -n $(key "$1" "Desktop Entry" Actions) ]] || fail "$1 has no action"
    check_actions "$1"
}
check_service_menu "$service_menu" inode/directory
check_service_menu "$alias_menu" "$type"

# Installed by the package.
packaging_cmake=$packaging/Packaging.cmake
for file in "$application" "$handler" "$service_menu" "$alias_menu" "$packaging/korvex.xml"; do
    grep -q "$(basename "$file")" "$packaging_cmake" || fail "$(basename "$file") isn't installed"
done
grep -q 'install(PROGRAMS.*servicemenus' "$packaging_cmake" ||
    fail "the service menu isn't installed executable into kio/servicemenus"

((failures == 0)) || exit 1
echo "the desktop files and the service menu are valid, installed and start korvex as it is"
