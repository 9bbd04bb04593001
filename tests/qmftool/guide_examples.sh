#!/usr/bin/env bash
# The user guide's qmftool examples as qmftool prints them: each command the guide shows runs
# on the guide's example files, and what it prints must stand in the guide as printed.
# Usage: guide_examples.sh GUIDE_DIR WORK_DIR QMFTOOL [prefix command, e.g. the Wine runner...]
set -u
guide=$1 work=$2
shift 2
tool=("$@")
# The Windows build runs through a launcher: the program is the last word given.
if [ "${#tool[@]}" -gt 1 ]; then tool=("${tool[@]:1}" "${tool[0]}"); fi

# A folder of this run's own, removed when it ends (two runs at once share nothing).
mkdir -p "$work" && work=$(mktemp -d "$work/run-XXXXXX") && cp "$guide"/examples/* "$work" &&
    cd "$work" || exit 2
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

shown() { # shown PAGE ARGS...: every line `qmftool ARGS` prints is a line of PAGE
    local page=$1 out line
    shift
    out=$(timeout 60 "${tool[@]}" "$@" 2>&1 | tr -d '\r')
    [ -n "$out" ] || fail "qmftool $* printed nothing"
    while IFS= read -r line; do
        grep -qxF -- "$line" "$guide/$page" || fail "$page lacks [$line] of qmftool $*"
    done <<<"$out"
}

shown qmf-format.md check example.qmf --devices devices.json
shown qmftool.md check example.qmf --devices devices.json
shown qmftool.md simulate example.qmf --devices devices.json --events events.txt
# The refusals shown: the example cut inside its first record, and marked as version 1.3.
head -n 12 example.qmf >broken.qmf && sed '1s/.*/"1.3"/' example.qmf >old.qmf
shown qmftool.md dump broken.qmf
shown qmftool.md check old.qmf --devices devices.json

# The dump shown, cut short with " ...", is how the real one begins.
shown_dump=$(grep -m1 '^{"version"' "$guide/qmftool.md")
dump=$(timeout 60 "${tool[@]}" dump example.qmf | tr -d '\r')
[[ -n $shown_dump && $dump == "${shown_dump% ...}"* ]] ||
    fail "qmftool.md shows a dump that is not how [$dump] begins"

# The format page shows the example file's first record as it begins.
diff <(head -n 15 example.qmf | tr -d '\r') <(sed -n '/^"1.4"$/,+14p' "$guide/qmf-format.md") ||
    fail "qmf-format.md does not show how example.qmf begins"

[ "$failures" -eq 0 ] || { echo "$failures guide example check(s) failed"; exit 1; }
echo "guide examples: as qmftool prints them"
