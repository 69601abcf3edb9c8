# Sourced by the benchmark scripts: what they may touch. A benchmark reads or reuses only the
# trees it made itself (each holds the marker file its generator writes last) and makes a new
# tree only where nothing is yet. A path that exists without the marker is refused, never
# removed or written into: it may be someone's own folder.
# KORVEX_BENCH_DRY=1 ends a script right after its arguments are checked (the tests use it).

# The marker bench/make-tree.py writes last into a finished tree.
tree_marker=.korvex-tree-done

# Exits 2 with a message when the path $1 exists but holds no marker $2; a path that does not
# exist yet is fine (the caller makes it new).
own_or_new() {
    local path=$1 marker=$2
    if { [ -e "$path" ] || [ -L "$path" ]; } && ! { [ -d "$path" ] && [ -f "$path/$marker" ]; }; then
        echo "$0: $path exists and holds no $marker, so no benchmark made it: refusing to touch it" \
            "(name a path that does not exist yet, and the benchmark makes it there)" >&2
        exit 2
    fi
}

# Exits 2 with a message unless $1 is a finished tree of bench/make-tree.py.
own_tree() {
    if ! { [ -d "$1" ] && [ -f "$1/$tree_marker" ]; }; then
        echo "$0: $1 is no finished tree of bench/make-tree.py (no $tree_marker in it)" >&2
        exit 2
    fi
}

# Ends the script (status 0) in a dry run.
end_of_dry_run() {
    if [ "${KORVEX_BENCH_DRY:-}" = 1 ]; then
        echo "$0: dry run: the arguments are accepted, nothing was done"
        exit 0
    fi
}
