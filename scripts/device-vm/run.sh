#!/usr/bin/env bash
# Runs the device checks against real Linux SCSI devices inside a small virtual machine.
#
# This machine's kernel has no SCSI support, so Debian's own kernel is booted under
# qemu-system-x86_64 (TCG) with a busybox initramfs that holds the SCSI modules, the check program
# and the shared libraries it needs. Inside, scsi_debug provides a tape drive (/dev/nst0, /dev/sg0)
# and the kernel's LIO target exports one logical unit through two I_T nexuses (tcm_loop), so two
# "hosts" share a disk with full persistent reservations. The sg3_utils programs run beside the
# library and must read the same state.
#
# Then the guest serves disks through LIO's iSCSI target on its network port, which qemu's user
# networking forwards from a port on this machine's 127.0.0.1 (restricted: no traffic leaves the
# machine). The guest says so on its console and waits; the check program runs its iSCSI
# scenarios here against iscsi://127.0.0.1:<port>/<target>, then tells the guest on a second
# serial line to power off. The stage passes when the guest's checks and these passed.
#
# usage: run.sh CHECK_PROGRAM [SPEED_PROGRAM]
# environment: QXSCSI_VM_WORK (work folder, default /tmp/qxscsi-vm), KVER (kernel ABI, default
# the one Debian's linux-image-amd64 depends on), VM_TIMEOUT (seconds, default 300: the whole
# machine's life; the host's iSCSI checks are bounded within it).
set -euo pipefail

started=$(date +%s)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
check=$(readlink -f "${1:?usage: run.sh CHECK_PROGRAM [SPEED_PROGRAM]}")
speed=$(readlink -f "${2:-}" 2>/dev/null || true)
work=${QXSCSI_VM_WORK:-/tmp/qxscsi-vm}
mkdir -p "$work"

kernel_abi() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        awk '/Depends: linux-image-[0-9]/ {sub("linux-image-", "", $2); print $2; exit}'
}
if [ -z "${KVER:-}" ]; then
    KVER=$(kernel_abi)
    if [ -z "$KVER" ] && [ "$(id -u)" -eq 0 ]; then
        # A machine whose package lists were never fetched knows no kernel package yet.
        apt-get update -qq >/dev/null
        KVER=$(kernel_abi)
    fi
fi
[ -n "${KVER:-}" ] || { echo "device-vm: cannot tell which kernel to use (set KVER)"; exit 1; }

# 1. The kernel and the modules we need, unpacked from Debian's package (cached).
kdir=$work/kernel-$KVER
if [ ! -f "$kdir/.complete-net" ]; then
    rm -rf "$kdir" "$work/debs"
    mkdir -p "$kdir" "$work/debs"
    (cd "$work/debs" && apt-get download -q "linux-image-$KVER" >/dev/null)
    dpkg-deb --fsys-tarfile "$work"/debs/linux-image-"$KVER"_*.deb |
        tar -x -C "$kdir" --wildcards './boot/vmlinuz-*' './lib/modules/*/kernel/drivers/scsi/*' \
            './lib/modules/*/kernel/drivers/target/*' './lib/modules/*/kernel/lib/*' \
            './lib/modules/*/kernel/crypto/*' './lib/modules/*/kernel/fs/configfs/*' \
            './lib/modules/*/kernel/block/*' \
            './lib/modules/*/kernel/drivers/net/ethernet/intel/e1000/*'
    rm -rf "$work/debs"
    touch "$kdir/.complete-net"
fi
moddir=$kdir/lib/modules/$KVER

# 2. The initramfs: busybox, modules in dependency order, the check program and its libraries.
root=$work/root
rm -rf "$root"
mkdir -p "$root"/{bin,sbin,dev,proc,sys,tmp,run,etc/target/pr,lib/modules/$KVER}
cp /bin/busybox "$root/bin/busybox"
python3 "$here/moddeps.py" "$moddir" crct10dif_generic crc32c_generic scsi_mod sd_mod sg st \
    scsi_debug configfs target_core_mod target_core_file tcm_loop iscsi_target_mod e1000 \
    >"$root/lib/modules/$KVER/load-order" 2>/dev/null
while read -r m; do
    mkdir -p "$root/lib/modules/$KVER/$(dirname "$m")"
    cp "$moddir/$m" "$root/lib/modules/$KVER/$m"
done <"$root/lib/modules/$KVER/load-order"
copy_with_libs() { # the binary and every shared library it loads, at the same paths
    local b l
    for b in "$@"; do
        mkdir -p "$root$(dirname "$b")"
        cp -L "$b" "$root$b"
        ldd "$b" | awk '/=>/ {print $3} /^\t\/lib64/ {print $1}' | while read -r l; do
            if [ -n "$l" ] && [ ! -e "$root$l" ]; then
                mkdir -p "$root$(dirname "$l")"
                cp -L "$l" "$root$l"
            fi
        done
    done
}
copy_with_libs "$check"
# sg3_utils reads every state back beside the library, as a program that knows nothing of it.
command -v sg_persist >/dev/null || { echo "device-vm: sg_persist not found (apt-get install sg3-utils)"; exit 1; }
copy_with_libs "$(command -v sg_persist)"
ln -s "$check" "$root/bin/qxscsi-device-check"
if [ -n "$speed" ]; then
    copy_with_libs "$speed"
    ln -s "$speed" "$root/bin/qxscsi-device-speed"
fi
cp "$here/init" "$root/init"
cp "$here/guest-checks.sh" "$root/guest-checks.sh"
chmod 755 "$root/init" "$root/guest-checks.sh"
(cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initramfs.cpio.gz"

# 3. Boot; the guest runs its checks, then serves iSCSI: run the host's checks, power it off.
log=$work/serial.log
ctl=$work/control # the second serial line, host to guest: ctl.in, guest to host: ctl.out
rm -f "$ctl.in" "$ctl.out"
mkfifo "$ctl.in" "$ctl.out"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
vm_timeout=${VM_TIMEOUT:-300}
timeout "$vm_timeout" qemu-system-x86_64 -accel tcg -cpu max -smp 1 -m 512 \
    -nographic -no-reboot -monitor none -serial stdio -serial "pipe:$ctl" \
    -nic "user,model=e1000,restrict=on,hostfwd=tcp:127.0.0.1:$port-10.0.2.15:3260" \
    -kernel "$kdir/boot/vmlinuz-$KVER" -initrd "$work/initramfs.cpio.gz" \
    -append "console=ttyS0 panic=-1 loglevel=3" </dev/null >"$log" 2>&1 &
qemu=$!
# The guest's line "LIO-ISCSI-UP <target name>" says the target is listening.
iqn=
while kill -0 "$qemu" 2>/dev/null && [ $(($(date +%s) - started)) -lt "$vm_timeout" ]; do
    iqn=$(sed -n 's/^LIO-ISCSI-UP \([^[:space:]]*\).*/\1/p' "$log")
    [ -n "$iqn" ] && break
    sleep 0.5
done
iscsi_rc=1
iscsi_log=$work/iscsi-checks.log
if [ -n "$iqn" ]; then
    # Bounded well within the machine's life, so that the guest's verdict still arrives.
    remaining=$((vm_timeout - ($(date +%s) - started) - 20))
    iscsi_rc=0
    timeout "$((remaining > 10 ? remaining : 10))" "$check" lio "iscsi://127.0.0.1:$port/$iqn" \
        >"$iscsi_log" 2>&1 || iscsi_rc=$?
    timeout 10 sh -c "echo poweroff >'$ctl.in'" || true
fi
set +e
wait "$qemu"
rc=$?
set -e
grep -E '^(#####|CHECK-OK|CHECK-FAIL|SPEED|LIO-ISCSI)' "$log" || true
echo "##### LIO's iSCSI target, from this machine through 127.0.0.1:$port"
[ -n "$iqn" ] && cat "$iscsi_log" || echo "CHECK-FAIL: the guest's iSCSI target never came up"
echo "ISCSI-CHECKS: $([ "$iscsi_rc" -eq 0 ] && echo PASS || echo "FAIL (exit $iscsi_rc)")"
grep -E '^DEVICE-CHECKS' "$log" || true
echo "device-vm: $(($(date +%s) - started)) s from start to power-off"
if grep -q '^DEVICE-CHECKS: PASS' "$log" && [ "$iscsi_rc" -eq 0 ]; then
    exit 0
fi
echo "device-vm: checks failed or did not finish (qemu rc=$rc); serial log: $log"
tail -n 40 "$log"
exit 1
