#!/usr/bin/env bash
# A private tgt iSCSI target on loopback, for the integration tests and the demonstration.
#
#   tgt-target.sh start DIR   start tgtd on a free 127.0.0.1 port with a private control port,
#                             exporting one target with
#                               LUN 1     a disk for large transfers beside other commands
#                                         (64 MiB files, as every disk)
#                               LUN 2     a disk for the tests that change reservations
#                               LUN 4     a disk for the qxscsi tool's tests
#                               LUN 5     a disk for the demonstration
#                               LUN 6     a disk that contending hosts fight over
#                               LUN 8     another, so that they race on two
#                               LUN 7     a disk that the threads of two hosts share
#                               LUN 3     a tape drive with a data cartridge
#                               LUN 9..   with QXSCSI_TGT_EXTRA_DISKS=N, N more disks to race on
#                             and a command window of 4 per session, so that the commands of
#                             threads beyond it wait their turn
#                             and a second target that admits only CHAP logins: an incoming
#                             account for the initiators and an outgoing one with which the
#                             target answers an initiator that asks it to authenticate itself
#                             (mutual CHAP), with
#                               LUN 1     a disk
#                             and write DIR/target.env (TGT_PID, TGT_PORT, TGT_CONTROL_PORT,
#                             TGT_IQN, TGT_PORTAL, TGT_RACE_LUNS; TGT_CHAP_IQN, TGT_CHAP_USER,
#                             TGT_CHAP_PASSWORD, TGT_CHAP_TARGET_USER, TGT_CHAP_TARGET_PASSWORD)
#                             for the clients; with QXSCSI_TGT_PORT set, on that port (to
#                             restart a target where its clients look for it)
#   tgt-target.sh stop DIR    stop that tgtd by its process id, and the targets that tests
#                             started in DIR/private-*/ and left behind (a test that crashed
#                             with its target stopped, say); nothing else is touched
#
# tgtd ignores SIGTERM while it has targets: stop takes the target offline, deletes it with
# --force, deletes the system and, if the process is still there, kills it. Every tgtadm call is
# bounded; start cleans up after itself when it fails. Needs root (tgtd) and Debian's tgt.
set -uo pipefail

iqn=iqn.2026-12.local.qxscsi:shared
chap_iqn=iqn.2026-12.local.qxscsi:chap
# Test credentials of a loopback target that lives as long as its tests; tgt takes secrets of
# any length, initiators commonly want 12 to 16 characters.
chap_user=qxhost chap_password=qx-chap-secret-1
chap_target_user=qxtarget chap_target_password=qx-chap-target-2
die() {
    echo "tgt-target: $*" >&2
    exit 1
}

# tgtadm against our own daemon only, bounded.
adm() { timeout 10 tgtadm -C "$control" "$@"; }

stop() {
    local dir=$1 pid sub
    for sub in "$dir"/private-*/; do
        [ -d "$sub" ] || continue
        if [ -f "$sub/target.env" ]; then
            pid=$(sed -n 's/^TGT_PID=//p' "$sub/target.env")
            [ -n "$pid" ] && kill -CONT "$pid" 2>/dev/null
            stop "${sub%/}"
        fi
        rm -rf "$sub"
    done
    [ -f "$dir/target.env" ] || return 0
    # shellcheck disable=SC1091
    . "$dir/target.env"
    pid=$TGT_PID control=$TGT_CONTROL_PORT
    if kill -0 "$pid" 2>/dev/null; then
        adm --op update --mode sys --name State -v offline >/dev/null 2>&1
        adm --op delete --mode target --tid 1 --force >/dev/null 2>&1
        adm --op delete --mode target --tid 2 --force >/dev/null 2>&1
        adm --op delete --mode system >/dev/null 2>&1
        for _ in $(seq 30); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null
        for _ in $(seq 30); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    # A killed tgtd leaves its control socket behind.
    kill -0 "$pid" 2>/dev/null || rm -f "/var/run/tgtd/socket.$control" "/var/run/tgtd/socket.$control.lock"
    rm -f "$dir/target.env"
}

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# The race disks beyond LUN 6, which is set up with the others.
race_disks() {
    local dir=$1 lun
    shift
    for lun in "$@"; do
        [ "$lun" -eq 6 ] && continue
        adm --lld iscsi --op new --mode logicalunit --tid 1 --lun "$lun" \
            --backing-store "$dir/disk$lun.img" &&
            adm --lld iscsi --op update --mode logicalunit --tid 1 --lun "$lun" \
                --params vendor_id=QXSCSI,product_id=SHARED-DISK,product_rev=0100,scsi_sn=$(printf 'QXD%04d' "$lun") ||
            return 1
    done
}

start() {
    local dir=$1 attempt pid port
    command -v tgtd >/dev/null && command -v tgtimg >/dev/null || die "tgtd not found (apt-get install tgt)"
    [ "$(id -u)" -eq 0 ] || die "tgtd needs root"
    mkdir -p "$dir" || die "cannot create $dir"
    stop "$dir"
    local extra=${QXSCSI_TGT_EXTRA_DISKS:-0} race_luns="6 8" lun
    case $extra in '' | *[!0-9]*) die "QXSCSI_TGT_EXTRA_DISKS must be a number" ;; esac
    [ "$extra" -le 200 ] || die "QXSCSI_TGT_EXTRA_DISKS: at most 200"
    for ((lun = 9; lun < 9 + extra; lun++)); do race_luns+=" $lun"; done
    rm -f "$dir"/disk*.img "$dir/tape3.img" "$dir/chap1.img"
    truncate -s 64M "$dir/disk1.img" "$dir/disk2.img" "$dir/disk4.img" "$dir/disk5.img" \
        "$dir/disk6.img" "$dir/disk7.img" "$dir/chap1.img" || die "cannot create the disk files"
    for lun in $race_luns; do
        truncate -s 64M "$dir/disk$lun.img" || die "cannot create the disk files"
    done
    timeout 30 tgtimg --op new --device-type tape --barcode=QXS00001 --size=64 --type=data \
        --file="$dir/tape3.img" --thin-provisioning >/dev/null || die "tgtimg failed"

    for attempt in 1 2 3 4 5; do
        port=${QXSCSI_TGT_PORT:-$((20000 + RANDOM % 30000))}
        control=$((1000 + RANDOM % 30000))
        port_free "$port" || continue
        [ -S "/var/run/tgtd/socket.$control" ] && continue
        tgtd -f -C "$control" --iscsi "portal=127.0.0.1:$port" >"$dir/tgtd.log" 2>&1 &
        pid=$!
        cat >"$dir/target.env" <<ENV
TGT_PID=$pid
TGT_PORT=$port
TGT_CONTROL_PORT=$control
TGT_IQN=$iqn
TGT_PORTAL=127.0.0.1:$port
TGT_RACE_LUNS="$race_luns"
TGT_CHAP_IQN=$chap_iqn
TGT_CHAP_USER=$chap_user
TGT_CHAP_PASSWORD=$chap_password
TGT_CHAP_TARGET_USER=$chap_target_user
TGT_CHAP_TARGET_PASSWORD=$chap_target_password
ENV
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            adm --op show --mode sys >/dev/null 2>&1 && break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null && adm --op show --mode sys >/dev/null 2>&1; then
            break
        fi
        echo "tgt-target: tgtd did not come up on port $port (attempt $attempt):" >&2
        cat "$dir/tgtd.log" >&2
        stop "$dir"
        pid=
    done
    [ -n "${pid:-}" ] || die "tgtd did not start"

    if ! {
        adm --lld iscsi --op new --mode target --tid 1 -T "$iqn" &&
            adm --lld iscsi --op new --mode logicalunit --tid 1 --lun 1 \
                --backing-store "$dir/disk1.img" &&
            adm --lld iscsi --op new --mode logicalunit --tid 1 --lun 2 \
                --backing-store "$dir/disk2.img" &&
            adm --lld iscsi --op new --mode logicalunit --tid 1 --lun 3 --device-type tape \
                --bstype ssc --backing-store "$dir/tape3.img" &&
            adm --lld iscsi --op new --mode logicalunit --tid 1 --lun 4 \
                --backing-store "$dir/disk4.img" &&
            adm --lld iscsi --op new --mode logicalunit --tid 1 --lun 5 \
                --backing-store "$dir/disk5.img" &&
            adm --lld iscsi --op new --mode logicalunit --tid 1 --lun 6 \
                --backing-store "$dir/disk6.img" &&
            adm --lld iscsi --op new --mode logicalunit --tid 1 --lun 7 \
                --backing-store "$dir/disk7.img" &&
            adm --lld iscsi --op update --mode logicalunit --tid 1 --lun 1 \
                --params vendor_id=QXSCSI,product_id=SHARED-DISK,product_rev=0100,scsi_sn=QXD0001 &&
            adm --lld iscsi --op update --mode logicalunit --tid 1 --lun 2 \
                --params vendor_id=QXSCSI,product_id=SHARED-DISK,product_rev=0100,scsi_sn=QXD0002 &&
            adm --lld iscsi --op update --mode logicalunit --tid 1 --lun 3 \
                --params vendor_id=QXSCSI,product_id=VIRTUAL-TAPE,product_rev=0100,scsi_sn=QXT0003 &&
            adm --lld iscsi --op update --mode logicalunit --tid 1 --lun 4 \
                --params vendor_id=QXSCSI,product_id=SHARED-DISK,product_rev=0100,scsi_sn=QXD0004 &&
            adm --lld iscsi --op update --mode logicalunit --tid 1 --lun 5 \
                --params vendor_id=QXSCSI,product_id=SHARED-DISK,product_rev=0100,scsi_sn=QXD0005 &&
            adm --lld iscsi --op update --mode logicalunit --tid 1 --lun 6 \
                --params vendor_id=QXSCSI,product_id=SHARED-DISK,product_rev=0100,scsi_sn=QXD0006 &&
            adm --lld iscsi --op update --mode logicalunit --tid 1 --lun 7 \
                --params vendor_id=QXSCSI,product_id=SHARED-DISK,product_rev=0100,scsi_sn=QXD0007 &&
            race_disks "$dir" $race_luns &&
            adm --lld iscsi --op update --mode target --tid 1 --name MaxQueueCmd --value 4 &&
            adm --lld iscsi --op bind --mode target --tid 1 -I ALL &&
            adm --lld iscsi --op new --mode target --tid 2 -T "$chap_iqn" &&
            adm --lld iscsi --op new --mode logicalunit --tid 2 --lun 1 \
                --backing-store "$dir/chap1.img" &&
            adm --lld iscsi --op update --mode logicalunit --tid 2 --lun 1 \
                --params vendor_id=QXSCSI,product_id=CHAP-DISK,product_rev=0100,scsi_sn=QXC0001 &&
            adm --lld iscsi --op new --mode account --user "$chap_user" \
                --password "$chap_password" &&
            adm --lld iscsi --op new --mode account --user "$chap_target_user" \
                --password "$chap_target_password" &&
            adm --lld iscsi --op bind --mode account --tid 2 --user "$chap_user" &&
            adm --lld iscsi --op bind --mode account --tid 2 --user "$chap_target_user" \
                --outgoing &&
            adm --lld iscsi --op bind --mode target --tid 2 -I ALL
    } >"$dir/tgtadm.log" 2>&1; then
        cat "$dir/tgtadm.log" >&2
        stop "$dir"
        die "cannot set up the target"
    fi
    echo "tgt-target: tgtd $pid serves $iqn and $chap_iqn (CHAP) at 127.0.0.1:$port (control port $control)"
}

case ${1:-} in
    start) [ $# -eq 2 ] || die "usage: $0 start DIR"; start "$2" ;;
    stop) [ $# -eq 2 ] || die "usage: $0 stop DIR"; stop "$2" ;;
    *) awk 'NR > 1 && !/^#/ { exit } NR > 1' "$0" | sed 's/^# \{0,1\}//'; [ "${1:-}" = --help ] || [ "${1:-}" = -h ] ;;
esac
