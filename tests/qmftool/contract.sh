#!/usr/bin/env bash
# qmftool from outside, as a user runs it: exit codes, stdout and stderr of each command.
# Usage: contract.sh DATA_DIR WORK_DIR QMFTOOL [prefix command, e.g. the Wine runner...]
# (The size limit's checks, which read and write files of 256 MiB: limits.sh.)
# shellcheck source=tests/qmftool/lib.sh
source "$(dirname "$0")/lib.sh"

run 0 dump v13.qmf
expect "dump of a 1.3 file" "$out" '{"version":"1.3","obsolete":true,"rows":[{"button":"1","device_name":"Gamepad"'
expect "locks of an upgraded row" "$out" '"num_lock":false,"caps_lock":false,"scroll_lock":false'
expect "rotary multiplier" "$out" '"rotary":true,"multiplier":2,"description":"Zoom"'
[ "$(wc -l <stdout.txt)" -eq 1 ] || fail "dump is one line"

run 0 dump v12.qmf
expect "1.2 release key without a name" "$out" '"release":[{"text":"ESC","name":""},{"text":"","name":""}'

# Refusals and notes: one line each, as a command line says it; dump reads as the editor does,
# check loads as the runner does, and the two agree on what they refuse.
corrupt="not a Vantrel configuration (corrupt or another format)"
run 1 dump corrupt.qmf
expect "corrupt file on stdout" "$out" '{"error":"corrupt","rows":1}'
said "corrupt file" "qmftool: corrupt.qmf: $corrupt"
run 1 check corrupt.qmf --devices devices.json
said "corrupt for the runner" "qmftool: corrupt.qmf: $corrupt"
# A yes/no value that does not convert: both programs load the file with its default (No).
mismatch="qmftool: bad_value.qmf: a value does not convert (type mismatch)"
run 0 dump bad_value.qmf
expect "bad yes/no read as No" "$out" '"rows":[{"button":"1","device_name":"Gamepad","identity":"{6F1D2B60-D5A0-11CF-BFC7-444553540000}","repeat":false,'
said "bad value for the editor" "$mismatch; read with its default in its place, as Vantrel reads it"
run 0 check bad_value.qmf --devices devices.json
expect "bad yes/no for the runner" "$out" '{"mapping_count":8,"valid":8,"bound":8}'
said "bad value for the runner" "$mismatch; loaded with its default in its place, as Corvex loads it"
run 1 upgrade bad_value.qmf -o never.qmf
said "a bad value is not upgraded" "$mismatch; not upgraded, as Vantrel would save its default in its place"
# A multiplier that is not a number: the editor holds its text, the runner reports it.
sed '7s/.*/"abc"/' cockpit.qmf >multiplier.qmf
run 0 dump multiplier.qmf
expect "multiplier kept as text" "$out" '"rotary":false,"multiplier":"abc","description":"Fire"'
[ -z "$err" ] || fail "the editor reads a multiplier silently: $err"
sed '7s/.*/99999/' cockpit.qmf >multiplier.qmf
run 0 check multiplier.qmf --devices devices.json
said "multiplier overflow" "qmftool: multiplier.qmf: a number is out of range (overflow); loaded with its default in its place, as Corvex loads it"

run 2 dump missing.qmf
said "missing file" "qmftool: missing.qmf: File not found"
# Control characters in what the user typed are printed escaped: a message stays one line, and
# a file name cannot send the terminal commands.
run 2 dump $'\e]0;title\a\e[2Jmissing\n.qmf'
expect "a name with control characters" "$err" 'qmftool: \x1b]0;title\x07\x1b[2Jmissing\x0a.qmf: '
[ "$(wc -l <stderr.txt)" -eq 1 ] || fail "a name with a line feed is printed on one line: $err"
run 2 dump --$'\e[31m'
said "an option with control characters" 'qmftool: unknown option --\x1b[31m'
if [ "${#tool[@]}" -eq 1 ]; then # the Windows build sees its arguments in the ANSI code page
    run 2 dump $'\xc2\x9b2Jmissing.qmf'
    said "a name with a C1 control" 'qmftool: \x9b2Jmissing.qmf: File not found'
fi

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
# Only a file or a new name is written: a pipe, a link to one and a folder stay as they are.
# Through a link to a file, the file is replaced and the link stays; "-" is the standard output.
mkfifo pipe.qmf && ln -s pipe.qmf pipe-link.qmf && mkdir folder.qmf || exit 2
for target in pipe.qmf pipe-link.qmf; do
    run 1 upgrade cockpit.qmf -o "$target"
    said "a pipe is no output file" "qmftool: $target: Not a regular file"
done
[ -p pipe.qmf ] && [ -L pipe-link.qmf ] || fail "a pipe or the link to it was replaced"
run 1 upgrade cockpit.qmf -o folder.qmf
said "a folder is no output file" "qmftool: folder.qmf: Permission denied"
[ -d folder.qmf ] || fail "a folder was replaced"
cp v13.qmf linked.qmf && ln -s linked.qmf link.qmf || exit 2
run 0 upgrade cockpit.qmf -o link.qmf
[ -L link.qmf ] || fail "a link to a file was replaced"
cmp -s cockpit.qmf linked.qmf || fail "the file behind a link was not written"
run 0 upgrade v13.qmf -o -
cmp -s stdout.txt inplace.qmf || fail "-o - writes the upgraded file on the standard output"
[ ! -e - ] || fail "-o - wrote a file named -"
rm -rf pipe.qmf pipe-link.qmf folder.qmf link.qmf linked.qmf
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
said "no devices" "qmftool: cockpit.qmf: not loaded: no input device (Corvex needs at least one)"
echo '[{"kind":"board","name":"P","path":"\\\\?\\hid#x#{y}","buttons":0}]' >buttonless.json
run 1 check cockpit.qmf --devices buttonless.json
said "a board without buttons is not a device" "qmftool: cockpit.qmf: not loaded: no input device (Corvex needs at least one)"
echo '[{"kind":"joystick","name":"P","identity":"{x}","buttons":0}]' >buttonless.json
run 1 check cockpit.qmf --devices buttonless.json
said "no buttons" "qmftool: cockpit.qmf: not loaded: the input devices have no buttons (Corvex needs at least one)"
run 1 check v13.qmf --devices devices.json
said "obsolete for the runner" "qmftool: v13.qmf: written by an older version; resave it in Vantrel"
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
# A file of a newer version: every command refuses it as both programs do, leaving it as it
# was; 1.4 is read, and "1.40", not a newer version, is read as 1.1 as any other version line.
sed '1s/.*/"1.6"\r/' cockpit.qmf >newer.qmf
cp newer.qmf newer-before.qmf
newer="qmftool: newer.qmf: This configuration was made by a newer version of Vantrel (file version 1.6); this version reads up to 1.5."
run 1 dump newer.qmf
[ "$out" = '{"error":"newer_version","version":"1.6"}' ] || fail "dump of a newer version: $out"
said "newer version for the editor" "$newer"
run 1 upgrade newer.qmf -o newer.qmf
said "newer version not upgraded" "$newer"
run 1 check newer.qmf --devices devices.json
said "newer version for the runner" "$newer"
run 1 simulate newer.qmf --devices devices.json --events events.txt
said "newer version simulated" "$newer"
[ -z "$out" ] || fail "nothing simulated of a newer version: $out"
cmp -s newer.qmf newer-before.qmf || fail "a file of a newer version was changed"
sed '1s/.*/"2.0"\r/' cockpit.qmf >newer.qmf
run 1 check newer.qmf --devices devices.json
expect "2.0 for the runner" "$err" "(file version 2.0)"
sed '1s/.*/"1.40"\r/' cockpit.qmf >newer.qmf
# Its 74-line records read as 1.1 records of six lines end inside one: corrupt, as before.
run 1 dump newer.qmf
said "1.40 read as 1.1" "qmftool: newer.qmf: $corrupt"
run 1 check newer.qmf --devices devices.json
said "1.40 for the runner" "qmftool: newer.qmf: written by an older version; resave it in Vantrel"
run 0 check cockpit.qmf --devices devices.json
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

# Version 1.5: each row's control, points, Hold, layer and pointer; older files print as before.
run 0 dump v15.qmf
expect "1.5 version" "$out" '{"version":"1.5","obsolete":false,"rows":[{"button":"1"'
expect "1.5 button row" "$out" '"control":"","press_point":"","release_point":"","hold":false,"layer":0,"pointer_speed":"","pointer_curve":""}'
expect "1.5 hat row" "$out" '"control":"HAT UP","press_point":"","release_point":"","hold":false,"layer":0,"pointer_speed":"","pointer_curve":""}'
expect "1.5 axis row with Hold" "$out" '"control":"AXIS -","press_point":"50","release_point":"30","hold":true,"layer":0,"pointer_speed":"","pointer_curve":""}'
expect "1.5 band" "$out" '"control":"AXIS BAND","press_point":"40-60","release_point":"35-65","hold":false,"layer":0,"pointer_speed":"","pointer_curve":""}'
run 0 dump v14.qmf
grep -qF '"control"' stdout.txt && fail "a 1.4 file's dump has no control: $out"
[[ "$out" == *'"release":[{"text":'*'}]}]}' ]] || fail "a 1.4 row ends with its release keys: $out"
run 0 upgrade v15.qmf -o v15-upgraded.qmf
[ "$(head -1 v15-upgraded.qmf | tr -d '\r')" = '"1.5"' ] || fail "a 1.5 file with hat and axis rows stays 1.5"
run 0 dump v15.qmf
before=$out
run 0 dump v15-upgraded.qmf
[ "$out" = "$before" ] || fail "upgrade keeps a 1.5 file's rows: $out"
# A 1.5 file of plain button rows needs nothing of 1.5: written as 1.4, as Vantrel saves it.
head -n 82 v15.qmf >buttons15.qmf
run 0 upgrade buttons15.qmf -o -
[ "$(head -n 1 stdout.txt | tr -d '\r')" = '"1.4"' ] || fail "plain rows of a 1.5 file are written as 1.4"
[ "$(wc -l <stdout.txt)" -eq 75 ] || fail "one 1.4 record of 74 lines: $(wc -l <stdout.txt)"
# Hats and axes in DEVICES.json: a joystick without them has none (the button row alone binds);
# with hat 1 and axes y and slider1, the four rows bind.
stick='"kind":"joystick","name":"Stick","identity":"{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E5F8}","buttons":8'
printf '[{%s}]' "$stick" >plain-stick.json
printf '[{%s,"axes":["x","y","slider1"],"hats":1}]' "$stick" >stick.json
printf '[{%s,"axes":["x",7],"hats":0}]' "$stick" >slider-stick.json
run 0 check v15.qmf --devices plain-stick.json
[ "$out" = '{"mapping_count":4,"valid":1,"bound":1}' ] || fail "no hats or axes described: $out"
run 0 check v15.qmf --devices stick.json
[ "$out" = '{"mapping_count":4,"valid":4,"bound":4}' ] || fail "hats and axes described: $out"
run 0 check v15.qmf --devices slider-stick.json
[ "$out" = '{"mapping_count":4,"valid":2,"bound":2}' ] || fail "slider 1 by number, no hat: $out"
for bad in '"axes":["w"]' '"axes":["x","X"]' '"axes":[9]' '"axes":[0]' '"axes":"x"' '"hats":5' '"hats":-1' '"hats":1.5'; do
    printf '[{%s,%s}]' "$stick" "$bad" >bad-stick.json
    run 2 check v15.qmf --devices bad-stick.json
    expect "devices with $bad" "$err" "device 1: "
done
printf '[{%s,"hats":4}]' "$stick" >bad-stick.json
run 0 check v15.qmf --devices bad-stick.json
# simulate moves axes and hats: Y axis - presses at 16383 (50 % from the centre), not 16384,
# and with Hold keeps W down until the stick is past 22937 (30 %); the throttle band presses
# at 26214 (40 %), not 26213; hat 1 up presses Q. Axes start at the centre: the throttle, in
# its band there, presses M on the first read and lets go (N) at 0.
cat >moves.txt <<'EOF2'
50 1 axis slider1 0
100 1 axis y 16384
200 1 axis 2 16383
300 1 axis y 22937
400 1 axis y 22938
500 1 axis slider1 26213
600 1 axis slider1 40%
700 1 axis slider1 0
800 1 hat 1 up-left
900 1 hat 1 centre
1000 1 hat 1 18000
EOF2
run 0 simulate v15.qmf --devices stick.json --events moves.txt --until 1100
keys=$(grep -o '"t":[0-9]*,"event":"key","vk":[0-9]*,"scan":[0-9]*,"up":[a-z]*' stdout.txt |
    sed 's/"event":"key",//; s/"scan":[0-9]*,//' | paste -sd' ')
[ "$keys" = '"t":10,"vk":77,"up":false "t":10,"vk":77,"up":true "t":50,"vk":78,"up":false "t":50,"vk":78,"up":true "t":200,"vk":87,"up":false "t":400,"vk":87,"up":true "t":600,"vk":77,"up":false "t":600,"vk":77,"up":true "t":700,"vk":78,"up":false "t":700,"vk":78,"up":true "t":800,"vk":81,"up":false "t":800,"vk":81,"up":true' ] ||
    fail "axis points, Hold, band and hat in a simulation: $keys"
for bad in '100 1 axis rz 0' '100 1 axis w 0' '100 1 axis y 65536' '100 1 axis y -1' '100 1 axis y 101%' \
    '100 1 hat 2 up' '100 1 hat 0 up' '100 1 hat 1 north' '100 1 hat 1 36000' '100 1 axis y' \
    '100 1 axis y 0 0' '100 1 hat 1 up extra'; do
    printf '%s\n' "$bad" >badmove.txt
    run 2 simulate v15.qmf --devices stick.json --events badmove.txt
    expect "bad move [$bad]" "$err" "line 1"
done

# Mouse actions and the pointer: button 1 clicks with CTRL held, button 2 turns the wheel, the
# X axis + moves the pointer right at 1000 px/s past its 10 % dead zone: 10 px a pass of 10 ms,
# from the first pass that reads it pushed to the last before it is back.
record15() { # BUTTON TEXT NAME CONTROL PRESS_POINT SPEED CURVE
    printf '"%s"\r\n"Stick"\r\n"{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E5F8}"\r\n#FALSE#\r\n#FALSE#\r\n"1"\r\n""\r\n#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n"%s"\r\n"%s"\r\n' "$1" "$2" "$3"
    for _ in $(seq 31); do printf '" "\r\n" "\r\n'; done
    printf '"%s"\r\n"%s"\r\n""\r\n#FALSE#\r\n0\r\n%s\r\n%s\r\n' "$4" "$5" "$6" "$7"
}
{
    printf '"1.5"\r\n'
    record15 1 "CTRL + MOUSE LEFT" "MOUSE LEFT" "" "" '""' '""'
    record15 2 "WHEEL DOWN" "WHEEL DOWN" "" "" '""' '""'
    record15 1 "POINTER RIGHT" "POINTER RIGHT" "AXIS +" 10 1000 2
} >mouse.qmf
printf '100 1 1 down\n150 1 1 up\n200 1 2 down\n250 1 2 up\n300 1 axis x 65535\n330 1 axis x 32768\n' >mouse.txt
run 0 simulate mouse.qmf --devices stick.json --events mouse.txt --until 400
mouse=$(grep -v '"status"' stdout.txt | tr -d '\r' | paste -sd' ')
[ "$mouse" = '{"t":100,"event":"key","vk":17,"scan":29,"up":false} {"t":100,"event":"mouse","action":"MOUSE LEFT","up":false} {"t":100,"event":"mouse","action":"MOUSE LEFT","up":true} {"t":100,"event":"key","vk":17,"scan":29,"up":true} {"t":200,"event":"mouse","action":"WHEEL DOWN"} {"t":300,"event":"pointer","dx":10,"dy":0} {"t":310,"event":"pointer","dx":10,"dy":0} {"t":320,"event":"pointer","dx":10,"dy":0}' ] ||
    fail "mouse actions and pointer moves in a simulation: $mouse"
run 0 dump mouse.qmf
expect "a pointer row's speed and curve" "$out" '"control":"AXIS +","press_point":"10","release_point":"1","hold":false,"layer":0,"pointer_speed":"1000","pointer_curve":"2"}'

# Help on stdout, exit 0: every command with its options, the exit codes, the devices format.
run 0 --help
for line in 'usage: qmftool dump FILE' 'qmftool upgrade FILE -o OUT' '--devices DEVICES.json' \
    '--locks NCS' 'exit codes:' '  2  bad usage' 'DEVICES.json: the attached devices'; do
    expect "overall help" "$out" "$line"
done
[ -z "$err" ] || fail "help writes nothing on stderr: $err"
run 0 help simulate
help=$out
expect "a command's help" "$help" '  --key-hold H             the key hold duration'
expect "a command's exit codes" "$help" 'exit codes:'
run 0 simulate --help
[ "$out" = "$help" ] || fail "simulate --help is help simulate"
run 0 help dump
expect "dump's help" "$out" '{"error":"corrupt","rows":N}'
grep -q DEVICES.json <<<"$out" && fail "dump's help shows the devices format"
version=$(sed -n 's/^#define VANTREL_VERSION_\(MAJOR\|MINOR\|REVISION\) \([0-9]*\)$/\2/p' \
    "$data/../../editor/win32/vantrel_version.h" | paste -sd.)
run 0 --version
[ "$out" = "qmftool Ver. $version (Beta)" ] || fail "the programs' version $version: [$out]"
run 2 --version 1
run 2 help frobnicate
run 2 help dump check

run 2
run 2 frobnicate
run 2 dump
run 2 dump a.qmf b.qmf
run 2 upgrade cockpit.qmf
run 2 check cockpit.qmf --devices
run 2 dump --verbose cockpit.qmf

finish "qmftool contract"
