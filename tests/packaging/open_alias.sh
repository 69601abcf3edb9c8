#!/usr/bin/env bash
# A Mac alias opened the way a desktop opens it, with nothing but the package's files installed
# into an isolated XDG_DATA_HOME: the alias's type is handled by the package's desktop file
# (the only handler, so the default), and opening the alias, with `korvex --open` or with
# xdg-open as a double-click does, hands exactly its target to the default application of the
# target's type: here a recorder registered for a test type, writing what it was given.
# Runs on its own X server (xvfb-run): Qt hands files to the desktop only on a real platform.
# Usage: open_alias.sh SOURCE_DIR KORVEX WRITE_ALIAS
# Exit 77 (skipped) without xdg-open (xdg-utils), mimetype (libfile-mimeinfo-perl: how
# xdg-open reads a type outside a known desktop), update-mime-database or xvfb-run.
set -u
source_dir=$1 korvex=$(realpath "$2") write_alias=$(realpath "$3")
for tool in xdg-open xdg-mime mimetype update-mime-database xvfb-run; do
    command -v $tool >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
if [[ -z ${KORVEX_OPEN_ALIAS_XVFB:-} ]]; then
    KORVEX_OPEN_ALIAS_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" \
        bash "$0" "$source_dir" "$korvex" "$write_alias"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-open-XXXXXX")
trap 'rm -rf "$work"' EXIT
# No desktop: xdg-open then goes by the XDG databases alone, which are the ones made here.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID BROWSER
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config TMPDIR=$work
export XDG_DATA_DIRS=/usr/share QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" \
    "$work/bin" "$work/files"
ln -s "$korvex" "$work/bin/korvex"
export PATH=$work/bin:$PATH

# The package's file type and handler.
cp "$source_dir/packaging/korvex.xml" "$XDG_DATA_HOME/mime/packages/"
cp "$source_dir/packaging/korvex-open-alias.desktop" "$XDG_DATA_HOME/applications/"
# The test type and its recorder, the default for it.
cat >"$XDG_DATA_HOME/mime/packages/korvex-test.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-korvex-test">
    <comment>Korvex test file</comment>
    <glob pattern="*.korvex-test"/>
  </mime-type>
</mime-info>
XML
update-mime-database "$XDG_DATA_HOME/mime" || { echo "FAIL: update-mime-database"; exit 1; }
cat >"$work/bin/record" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" >>"$work/opened"
SCRIPT
chmod +x "$work/bin/record"
cat >"$XDG_DATA_HOME/applications/korvex-test-recorder.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Recorder
Exec=$work/bin/record %f
MimeType=application/x-korvex-test;
NoDisplay=true
DESKTOP
printf '[Default Applications]\napplication/x-korvex-test=korvex-test-recorder.desktop\n' \
    >"$XDG_CONFIG_HOME/mimeapps.list"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# Waits up to ten seconds for the recorder (started detached) and checks what it was given.
expect_opened() { # expect_opened WHAT TARGET
    for _ in $(seq 100); do
        [[ -s $work/opened ]] && break
        sleep 0.1
    done
    local opened
    opened=$(cat "$work/opened" 2>/dev/null)
    [[ $opened == "$2" ]] || fail "$1 opened '${opened}', not '$2'"
    rm -f "$work/opened"
}

handler=$(xdg-mime query default application/x-apple-finder-alias)
[[ $handler == korvex-open-alias.desktop ]] || fail "the alias type's handler is '$handler'"

target="$work/files/Quarterly plan.korvex-test"
echo plan >"$target"
"$write_alias" "$target" "$work/files/Plan alias" || { echo "FAIL: write_alias"; exit 1; }
[[ $(xdg-mime query filetype "$work/files/Plan alias") == application/x-apple-finder-alias ]] ||
    fail "the alias's type is $(xdg-mime query filetype "$work/files/Plan alias")"

timeout 30 "$korvex" --open "$work/files/Plan alias" || fail "korvex --open answered $?"
expect_opened "korvex --open" "$target"

# A double-click: the desktop opens the alias with its handler, korvex --open.
xdg-open "$work/files/Plan alias" || fail "xdg-open answered $?"
expect_opened "xdg-open" "$target"

((failures == 0)) || exit 1
echo "the alias's target, and only it, was opened by its default application"
