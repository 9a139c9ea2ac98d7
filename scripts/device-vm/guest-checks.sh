# Guest side of the device checks, sourced by /init. Each check runs qxscsi-device-check, which
# prints CHECK-OK / CHECK-FAIL lines and exits non-zero when anything failed.
MD=/lib/modules/$(uname -r)/kernel
FAILS=0
RUNS=0
waitdev() {
    for d in "$@"; do
        n=0
        while [ ! -e "$d" ]; do
            n=$((n + 1))
            [ $n -gt 100 ] && { echo "CHECK-FAIL: $d did not appear"; return 1; }
            sleep 0.1
        done
    done
}
run() {
    RUNS=$((RUNS + 1))
    qxscsi-device-check "$@" || FAILS=$((FAILS + 1))
}

echo "##### tape drive (scsi_debug, peripheral type 1)"
insmod $MD/drivers/scsi/scsi_debug.ko delay=0 ptype=1
if waitdev /dev/nst0 /dev/sg0; then
    run busy /dev/nst0
    run sense /dev/nst0
else
    FAILS=$((FAILS + 1))
fi
rmmod scsi_debug

echo "##### disk answering in descriptor-format sense (scsi_debug dsense=1)"
insmod $MD/drivers/scsi/scsi_debug.ko delay=0 dsense=1 dev_size_mb=8
if waitdev /dev/sg0 /dev/sda; then
    run sense /dev/sg0
    run sense /dev/sda
else
    FAILS=$((FAILS + 1))
fi
rmmod scsi_debug

echo "##### transport failure: a disk that drops commands, then is deleted while open"
insmod $MD/drivers/scsi/scsi_debug.ko delay=0 dev_size_mb=8
if waitdev /dev/sg0 /dev/sda; then
    run transport /dev/sg0 /dev/sda
else
    FAILS=$((FAILS + 1))
fi
rmmod scsi_debug

echo "##### shared disk: one LIO logical unit through two I_T nexuses (two hosts)"
mount -t configfs none /sys/kernel/config
T=/sys/kernel/config/target
mkdir -p $T/core/fileio_0/lu0
echo "fd_dev_name=/tmp/lu0.img,fd_dev_size=16777216" >$T/core/fileio_0/lu0/control
echo 1 >$T/core/fileio_0/lu0/enable
W=naa.5001405000000001
for tp in 1 2; do
    mkdir -p $T/loopback/$W/tpgt_$tp/lun/lun_0
    echo naa.50014050000000a$tp >$T/loopback/$W/tpgt_$tp/nexus
    ln -s $T/core/fileio_0/lu0 $T/loopback/$W/tpgt_$tp/lun/lun_0/lu
done
if waitdev /dev/sda /dev/sdb; then
    sleep 0.5
    echo "##### the same disk side by side with sg_persist, through sd and through sg"
    run side-by-side /dev/sda /dev/sdb
    sga=/dev/$(ls /sys/block/sda/device/scsi_generic)
    sgb=/dev/$(ls /sys/block/sdb/device/scsi_generic)
    run side-by-side "$sga" "$sgb"
    if command -v qxscsi-device-speed >/dev/null; then
        echo "##### speed, side by side: the library, raw SG_IO and sg_persist (TCG: ratios only)"
        for d in /dev/sda "$sga"; do
            RUNS=$((RUNS + 1))
            qxscsi-device-speed "$d" || FAILS=$((FAILS + 1))
        done
    fi
else
    FAILS=$((FAILS + 1))
fi

echo "##### LIO's iSCSI target on the network port, for the host's checks"
# Four disks, one target, demo mode (any initiator name logs in, no authentication). qemu's user
# network gives the guest 10.0.2.15 and forwards a port of the host's 127.0.0.1 to its 3260.
ISCSI_UP=0
I=iqn.2026-12.local.qxscsi:lio
G=$T/iscsi/$I/tpgt_1
if waitdev /sys/class/net/eth0 && ifconfig lo 127.0.0.1 up &&
    ifconfig eth0 10.0.2.15 netmask 255.255.255.0 up && mkdir -p $G/np/10.0.2.15:3260; then
    for n in 0 1 2 3; do
        mkdir -p $T/core/fileio_1/disk$n $G/lun/lun_$n
        echo "fd_dev_name=/tmp/disk$n.img,fd_dev_size=8388608" >$T/core/fileio_1/disk$n/control
        echo 1 >$T/core/fileio_1/disk$n/enable
        ln -s $T/core/fileio_1/disk$n $G/lun/lun_$n/disk$n
    done
    for a in authentication=0 generate_node_acls=1 cache_dynamic_acls=1 demo_mode_write_protect=0; do
        echo "${a#*=}" >"$G/attrib/${a%=*}"
    done
    echo 1 >$G/enable && [ -e $G/lun/lun_3/disk3 ] && ISCSI_UP=1
fi
[ $ISCSI_UP -eq 1 ] || { echo "CHECK-FAIL: LIO's iSCSI target did not come up"; FAILS=$((FAILS + 1)); }

if [ $FAILS -eq 0 ] && [ $RUNS -gt 0 ]; then
    echo "DEVICE-CHECKS: PASS ($RUNS runs)"
else
    echo "DEVICE-CHECKS: FAIL ($FAILS of $RUNS runs failed)"
fi
if [ $ISCSI_UP -eq 1 ]; then
    # The host runs its checks now and then says "poweroff" on the second serial line; /init
    # powers off when it does, or after ten minutes at most.
    stty -F /dev/ttyS1 -echo 2>/dev/null
    echo "LIO-ISCSI-UP $I"
    read -t 600 -r _ </dev/ttyS1
fi
