#!/usr/bin/env python3
"""A host program in Python: takes a shared disk over with the forced reserve and tells what it
did, then what the disk holds.

  take_over.py DISK [SITE NODE UNIT]

DISK is a device path (/dev/sdX, iscsi://...); SITE, NODE and UNIT (0 to 99, default 1 1 1) make
the host's reservation key. The library's log lines go to standard error. Exit status: 0 the disk
is this host's, 1 a step failed, 2 wrong arguments. The reservation stays when the program ends.
"""
import sys

import qxscsi

HOST_ID = 1


def log_line(level, handle_id, text):
    print(f"  log (host {handle_id}, level {level}): {text}", file=sys.stderr, flush=True)


def main(argv):
    fields = argv[2:] or ["1", "1", "1"]
    if len(argv) < 2 or len(fields) != 3 or not all(f.isdigit() and int(f) <= 99 for f in fields):
        print(f"usage: {argv[0]} DISK [SITE NODE UNIT]   (SITE, NODE, UNIT: 0-99)",
              file=sys.stderr)
        return 2
    path = argv[1]
    shown = qxscsi.masked_path(path)  # never the password
    site, node, unit = (int(f) for f in fields)
    print(f"qxscsi {qxscsi.__version__}", flush=True)
    qxscsi.set_log_callback(log_line)  # before the first handle

    disk = qxscsi.HardDisk(path, HOST_ID)
    disk.open()
    code, key = disk.force_reserve(site, node, unit)
    if code != qxscsi.PR_SUCCESS:
        print(f"disk {shown}: forced reserve failed, code {code}: {disk.last_error()[1]}")
        return 1
    print(f"disk {shown}: {disk.force_reserve_outcome()} under key {key.decode()}")
    code, keys = disk.read_keys()
    if code == qxscsi.PR_SUCCESS:
        print(f"disk {shown}: registered keys: {' '.join(map(qxscsi.display_key, keys))}")
    code, holder, kind = disk.read_reservation()
    if code == qxscsi.PR_SUCCESS:
        print(f"disk {shown}: held by {qxscsi.display_key(holder)}, type {kind}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
