#!/usr/bin/env bash
# How quickly a scan that writes stops. A folder of broken aliases is scanned with mark on and,
# DELAY seconds in, stopped by the Stop button, Escape, Ctrl+W, Ctrl+Q (the real window, driven
# with xdotool on a display with a window manager) and SIGINT to korvex-scan. For each it
# prints the sidecars written after the stop was sent (by their file times) and how long after
# it the last one was written, and for Ctrl+Q and SIGINT how long the process lived on.
#
#     bench/stop-latency.sh BUILD_DIR FOLDER [DELAY]
#
# FOLDER is this benchmark's own: when it does not exist yet, it is made with 20,000 broken
# aliases (content only, as bench/make-tree.py writes them) and the marker .korvex-stop-folder;
# an existing folder without that marker is refused. Its sidecars are removed before each run.
# Needs DISPLAY with a window manager (Xvfb + openbox) and xdotool. The settings (mark on) live
# in a temporary folder.
set -u
bench="$(dirname "$0")"
. "$bench/own-trees.sh"
[ $# -ge 2 ] || { sed -n '2,14p' "$0"; exit 2; }
build="$1"
folder="$2"
delay="${3:-0.5}"
own_or_new "$folder" .korvex-stop-folder
end_of_dry_run
if [ ! -e "$folder" ]; then
    python3 - "$bench/make-tree.py" "$folder" 20000 <<'MAKE' || exit 2
import importlib.util, os, sys
spec = importlib.util.spec_from_file_location("make_tree", sys.argv[1])
make_tree = importlib.util.module_from_spec(spec)
spec.loader.exec_module(make_tree)
folder, count = sys.argv[2], int(sys.argv[3])
os.makedirs(folder)
for i in range(count):
    with open(os.path.join(folder, "Plan alias %05d" % i), "wb") as f:
        f.write(make_tree.bookmark("/Volumes/Archive/Projects/Plan %05d.pages" % i))
open(os.path.join(folder, ".korvex-stop-folder"), "w").close()
MAKE
fi
config="$(mktemp -d)"
trap 'rm -rf "$config"' EXIT
mkdir -p "$config/Korvex"
printf '[General]\nmark=true\nrewrite=false\nflush=false\n' >"$config/Korvex/Korvex.conf"
export XDG_CONFIG_HOME="$config"

now() { date +%s.%N; }
sidecars() { find "$folder" -maxdepth 1 -name '*-korvex-broken.text' | wc -l; }
clean() { find "$folder" -maxdepth 1 -name '*-korvex-broken.text' -delete; }
# Sidecars written after time $1, and how long after it the last one was.
after() {
    find "$folder" -maxdepth 1 -name '*-korvex-broken.text' -printf '%T@\n' |
        awk -v t="$1" '$1 > t { n++; if ($1 - t > m) m = $1 - t }
            END { printf "%d written after it (last %.0f ms after)", n, m * 1000 }'
}
# How long after time $2 process $1 went (waits up to 20 s).
gone() {
    for _ in $(seq 2000); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.01
    done
    if kill -0 "$1" 2>/dev/null; then
        echo "; still running after 20 s"
    else
        awk -v a="$2" -v b="$(now)" 'BEGIN { printf "; process gone %.0f ms after it", (b - a) * 1000 }'
    fi
}
report() { # name, sidecars when sent, time sent, extra
    printf '%-7s %6d sidecars when the stop was sent, %6d in the end; %s%s\n' \
        "$1" "$2" "$(sidecars)" "$(after "$3")" "$4"
}

window_run() { # name, then the xdotool command that stops the scan
    local name="$1"
    shift
    clean
    "$build/app/korvex" >/dev/null 2>&1 &
    local pid=$! wid
    wid="$(xdotool search --sync --onlyvisible --pid "$pid" --name '^Korvex$' | head -1)"
    xdotool windowactivate --sync "$wid"
    sleep 0.3
    xdotool type --delay 2 "$folder"
    xdotool key Return
    sleep "$delay"
    if [ "$1" = stop-button ]; then
        # The Stop button, found by its place: just right of the (disabled) Scan button.
        local width
        width="$(xwininfo -id "$wid" | awk '/Width:/ { print $2 }')"
        xdotool mousemove --window "$wid" "$((width - 76))" 39 click 1
    else
        xdotool key "$1"
    fi
    local sent at_sent extra=""
    sent="$(now)"
    at_sent="$(sidecars)"
    if [ "$name" = "Ctrl+Q" ]; then
        extra="$(gone "$pid" "$sent")"
        sleep 2
    else
        sleep 3
        xdotool windowactivate --sync "$wid" key ctrl+q 2>/dev/null
        wait "$pid"
    fi
    report "$name" "$at_sent" "$sent" "$extra"
}

window_run "Stop" stop-button
window_run "Escape" Escape
window_run "Ctrl+W" ctrl+w
window_run "Ctrl+Q" ctrl+q

clean
"$build/cli/korvex-scan" --mark "$folder" >"$config/report" 2>/dev/null &
pid=$!
sleep "$delay"
kill -INT "$pid"
sent="$(now)"
at_sent="$(sidecars)"
extra="$(gone "$pid" "$sent")"
wait "$pid"
status=$?
sleep 2
report "SIGINT" "$at_sent" "$sent" "$extra; exit status $status; $(grep -c '^Stopped before the end of the folder\.$' "$config/report") 'Stopped' line"
clean
