# What the qmftool checks share, sourced by them: the arguments, a work folder of the run's
# own with the test files, and the checks of one command's exit code, stdout and stderr.
# Usage of a check: SCRIPT DATA_DIR WORK_DIR QMFTOOL [prefix command, e.g. the Wine runner...]
# shellcheck shell=bash
set -u
data=$1 work=$2
shift 2
tool=("$@")
# The Windows build runs through a launcher: the program is the last word given.
if [ "${#tool[@]}" -gt 1 ]; then tool=("${tool[@]:1}" "${tool[0]}"); fi

# A folder of this run's own, removed when it ends: two runs at once (two test runs of one
# build) would otherwise delete each other's files, and a command whose output file cannot be
# made "exits 1" without running.
mkdir -p "$work" && work=$(mktemp -d "$work/run-XXXXXX") && cd "$work" || exit 2
trap 'rm -rf "$work"' EXIT
cp "$data"/*.qmf "$data"/../../samples/cockpit.qmf "$data"/../../samples/devices.json . || exit 2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A command that runs longer than command_seconds (60 unless the check says) fails.
run() { # run EXPECTED_EXIT ARGS...: sets $out and $err
    local expected=$1
    shift
    timeout "${command_seconds:-60}" "${tool[@]}" "$@" >stdout.txt 2>stderr.txt
    local code=$?
    out=$(tr -d '\r' <stdout.txt)
    err=$(tr -d '\r' <stderr.txt)
    [ "$code" = "$expected" ] || fail "qmftool $* exited $code, expected $expected
  stdout: $out
  stderr: $err"
}
expect() { # expect DESCRIPTION TEXT PATTERN
    grep -qF -- "$3" <<<"$2" || fail "$1: expected to find [$3] in [$2]"
}
said() { # said DESCRIPTION LINE: stderr is exactly that one line
    [ "$err" = "$2" ] || fail "$1: expected stderr [$2], got [$err]"
}

# The end of a check: its failures counted, or that all passed.
finish() { # finish NAME
    [ "$failures" -eq 0 ] || { echo "$failures $1 check(s) failed"; exit 1; }
    echo "$1: all checks passed"
}
