#!/usr/bin/env bash
# qmftool from outside, as a user runs it: exit codes, stdout and stderr of each command.
# Usage: contract.sh DATA_DIR WORK_DIR QMFTOOL [prefix command, e.g. the Wine runner...]
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

run() { # run EXPECTED_EXIT ARGS...: sets $out and $err
    local expected=$1
    shift
    timeout 60 "${tool[@]}" "$@" >stdout.txt 2>stderr.txt
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

run 0 dump v13.qmf
expect "dump of a 1.3 file" "$out" '{"version":"1.3","obsolete":true,"rows":[{"button":"1","device_name":"Gamepad"'
expect "locks of an upgraded row" "$out" '"num_lock":false,"caps_lock":false,"scroll_lock":false'
expect "rotary multiplier" "$out" '"rotary":true,"multiplier":2,"description":"Zoom"'
[ "$(wc -l <stdout.txt)" -eq 1 ] || fail "dump is one line"

run 0 dump v12.qmf
expect "1.2 release key without a name" "$out" '"release":[{"text":"ESC","name":""},{"text":"","name":""}'

run 1 dump corrupt.qmf
expect "corrupt file on stdout" "$out" '{"error":"corrupt","rows":1}'
expect "corrupt file message" "$err" "This file is either corrupt or not in Vantrel format"

run 1 dump bad_value.qmf
expect "value that does not convert" "$out" '{"error":"corrupt","rows":0}'
expect "its error box" "$err" " 13  Type mismatch in sub open_click."

run 2 dump missing.qmf
expect "missing file" "$err" "File not found"

# Only regular files of at most 64 MiB are read (sparse, so no disk is used).
truncate -s $((64 * 1024 * 1024 + 1)) huge.qmf
run 2 dump huge.qmf
expect "file over the limit" "$err" "huge.qmf: File larger than 64 MB"
rm -f huge.qmf
zero=/dev/zero
[ "${#tool[@]}" -gt 1 ] && zero=Z:/dev/zero # the Windows build sees the host's root as Z:
run 2 dump "$zero"
expect "a device" "$err" "$zero: Not a regular file"
run 2 dump .
expect "a folder" "$err" ".: Not a regular file"

run 0 upgrade v11.qmf -o upgraded.qmf
run 0 dump upgraded.qmf
expect "upgraded file" "$out" '{"version":"1.4","obsolete":false,"rows":[{"button":"1"'
expect "second 1.1 record" "$out" '"description":"Load"'
cp v13.qmf inplace.qmf
run 0 upgrade inplace.qmf -o inplace.qmf
run 0 dump inplace.qmf
expect "upgrade in place" "$out" '"version":"1.4","obsolete":false'
run 0 upgrade cockpit.qmf -o same.qmf
cmp -s cockpit.qmf same.qmf || fail "a 1.4 file upgrades to the same bytes"
run 2 upgrade cockpit.qmf -o no/such/folder/out.qmf
expect "unwritable output named" "$err" "no/such/folder/out.qmf: Path not found"
cp v13.qmf readonly.qmf && chmod 444 readonly.qmf
run 2 upgrade cockpit.qmf -o readonly.qmf
expect "read-only output refused" "$err" "readonly.qmf: Permission denied"
cmp -s v13.qmf readonly.qmf || fail "a read-only output was replaced"
run 1 upgrade corrupt.qmf -o never.qmf
[ ! -e never.qmf ] || fail "a refused upgrade wrote its output"
ls ./*.saving >/dev/null 2>&1 && fail "a temporary file was left behind"

run 0 check cockpit.qmf --devices devices.json
expect "check" "$out" '{"mapping_count":8,"valid":8,"bound":8}'
echo '[{"kind":"joystick","name":"Gamepad","identity":"{6f1d2b60-d5a0-11cf-bfc7-444553540000}","buttons":2}]' >small.json
run 0 check cockpit.qmf --devices small.json
expect "check against fewer devices" "$out" '{"mapping_count":8,"valid":2,"bound":2}'
echo '[]' >none.json
run 1 check cockpit.qmf --devices none.json
expect "no devices" "$err" "No valid input devices were found!"
echo '[{"kind":"board","name":"P","path":"\\\\?\\hid#x#{y}","buttons":0}]' >buttonless.json
run 1 check cockpit.qmf --devices buttonless.json
expect "a board without buttons is not a device" "$err" "No valid input devices were found!"
run 1 check v13.qmf --devices devices.json
expect "obsolete for the runner" "$err" "Obsolete data found. Please resave this file in Vantrel."
run 1 check corrupt.qmf --devices devices.json
expect "corrupt for the runner" "$err" "This file is either corrupt or not in Corvex format."
run 0 check empty14.qmf --devices devices.json
expect "empty configuration" "$out" '{"mapping_count":0,"valid":0,"bound":0}'
echo '[{"kind":"mouse"}]' >badkind.json
run 2 check cockpit.qmf --devices badkind.json
run 2 check cockpit.qmf --devices missing.json

# simulate: the first pass acquires the controller, so its presses are seen from 10 ms on.
printf '# fire, then the heading knob turned fast\n0 1 1 down\n50 1 1 up\n100 1 4 down\n110 1 4 up\n120 1 4 down\n130 1 4 up\n' >events.txt
run 0 simulate cockpit.qmf --devices devices.json --events events.txt --until 200
expect "press of a plain mapping" "$out" '{"t":10,"event":"key","vk":32,"scan":57,"up":false}
{"t":10,"event":"key","vk":32,"scan":57,"up":true}
{"t":10,"event":"status","text":"Input Devices: Button  1 pressed"}
{"t":50,"event":"status","text":"Input Devices: Available"}'
[ "$(grep -c '"vk":107,"scan":78,"up":false' stdout.txt)" -eq 5 ] ||
    fail "a fast second turn of a 4x rotary sends four times: $out"
printf '0 2 1 down\n0 1 5 down\n' >events2.txt
run 0 simulate cockpit.qmf --devices devices.json --events events2.txt --until 20 --key-hold 5 --locks C
expect "key hold and locks" "$out" '{"t":10,"event":"key","vk":20,"scan":58,"up":false}'
expect "key hold moves the clock" "$out" '{"t":25,"event":"key","vk":76,"scan":38,"up":true}'
printf '0 1 3 down\n' >repeat.txt
run 0 simulate cockpit.qmf --devices devices.json --events repeat.txt --until 1100 --repeat-rate 500
[ "$(grep -c '"vk":38,"scan":72,"up":false' stdout.txt)" -eq 2 ] ||
    fail "a held repeat mapping sends after 0.5 s and 1 s: $out"
printf '0 3 1 down\n' >badevent.txt
run 2 simulate cockpit.qmf --devices devices.json --events badevent.txt
expect "bad event" "$err" "line 1"
run 2 simulate cockpit.qmf --devices devices.json --events events.txt --poll 0
run 1 simulate v13.qmf --devices devices.json --events events.txt
# Times and periods are bounded so that the virtual clock stays exact and every run ends.
printf '1000000000000 1 1 down\n' >late.txt
run 0 simulate cockpit.qmf --devices devices.json --events late.txt --poll 10000000 --until 1000000000000
expect "an event at the last time allowed" "$out" '{"t":1000000000000,"event":"key","vk":32,"scan":57,"up":false}'
printf '1000000000001 1 1 down\n' >later.txt
run 2 simulate cockpit.qmf --devices devices.json --events later.txt
expect "an event past the last time allowed" "$err" "line 1"
printf '9223372036854775807 1 1 down\n' >latest.txt
run 2 simulate cockpit.qmf --devices devices.json --events latest.txt
run 2 simulate cockpit.qmf --devices devices.json --events events.txt --poll 4611686018427387904 --until 9223372036854775807
run 2 simulate cockpit.qmf --devices devices.json --events events.txt --poll 1 --until 100000000
expect "too many passes" "$err" "more than 100000000 passes"

run 2
run 2 frobnicate
run 2 dump
run 2 dump a.qmf b.qmf
run 2 upgrade cockpit.qmf
run 2 check cockpit.qmf --devices
run 2 dump --verbose cockpit.qmf

[ "$failures" -eq 0 ] || { echo "$failures qmftool contract check(s) failed"; exit 1; }
echo "qmftool contract: all checks passed"
