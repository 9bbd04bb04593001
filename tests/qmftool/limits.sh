#!/usr/bin/env bash
# qmftool at the size limit of the files the programs read, from outside: a test of its own, as
# its files of 256 MiB take longer than the rest of the contract.
# Usage: limits.sh DATA_DIR WORK_DIR QMFTOOL [prefix command, e.g. the Wine runner...]
# shellcheck source=tests/qmftool/lib.sh
source "$(dirname "$0")/lib.sh"
# A file of 256 MiB takes some 15 s to read and write back in the sanitizers' build, on a
# quiet machine.
command_seconds=600

# Files of up to 256 MiB are read. A configuration of exactly that size (the sample with its
# first description padded) is read by the runner's loader; one byte more is refused. A 1.1
# file whose 1.4 form would be larger is not upgraded.
limit=$((256 * 1024 * 1024))
padded() { # padded SIZE: the sample, SIZE bytes long
    head -n 7 cockpit.qmf
    printf '"'
    head -c $(($1 - $(stat -c %s cockpit.qmf))) /dev/zero | tr '\0' x
    sed -n 8p cockpit.qmf | cut -c 2-
    tail -n +9 cockpit.qmf
}
padded $limit >limit.qmf
run 0 check limit.qmf --devices devices.json
expect "check at the limit" "$out" '{"mapping_count":8,"valid":8,"bound":8}'
padded $((limit + 1)) >limit.qmf
run 2 check limit.qmf --devices devices.json
expect "file over the limit" "$err" "limit.qmf: File larger than 256 MB"
run 2 dump limit.qmf
expect "file over the limit for the editor" "$err" "limit.qmf: File larger than 256 MB"
{
    printf '"1.1"\r\n"1"\r\n"Pad"\r\n"{G}"\r\n"A"\r\n"A"\r\n"'
    head -c $((limit - 100)) /dev/zero | tr '\0' x
    printf '"\r\n'
} >limit.qmf
cp cockpit.qmf copy.qmf
run 1 upgrade limit.qmf -o copy.qmf
said "upgrade past the limit" "qmftool: copy.qmf: not written: the file would be larger than 256 MB, the largest the programs read"
cmp -s cockpit.qmf copy.qmf || fail "a refused upgrade changed its output"
ls ./*.saving >/dev/null 2>&1 && fail "a refused upgrade left a temporary file"
rm -f limit.qmf copy.qmf

finish "qmftool limits"
