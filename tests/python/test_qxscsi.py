"""qxscsi from Python: two hosts fence each other, the tape commands, what bad arguments meet,
and a device that never answers while other threads go on."""
import os
import signal
import threading
import time

import pytest
import qxscsi
from conftest import DISK_LUN, TAPE_LUN


def test_two_hosts_take_a_disk_from_each_other(disk, path, log):
    a, b, observer = disk("a", 1), disk("b", 2), disk("observer", 3)
    assert a.force_reserve(1, 1, 1) == (0, b"QX010101")
    assert a.force_reserve_outcome() == "reserved"
    assert a.force_reserve(1, 1, 1) == (0, b"QX010101")
    assert a.force_reserve_outcome() == "already held"
    assert observer.read_reservation() == (0, b"QX010101", 3)

    code, key_b = b.force_reserve(2, 2, 2)
    assert (code, b.force_reserve_outcome()) == (0, "pre-empted")
    assert observer.read_keys() == (0, [key_b])
    assert observer.read_reservation() == (0, key_b, 3)
    # A's raw READ(10) of nothing meets the pre-emption's unit attention first, then the fence.
    raw = qxscsi.TapeDrive(path(DISK_LUN, "a"))
    status, sense, _ = raw.send(bytes([0x28]) + bytes(9))
    assert (status, sense[2] & 0x0F, sense[12], sense[13]) == (2, 6, 0x2A, 0x03)
    assert raw.send(bytes([0x28]) + bytes(9))[:2] == (24, b"")
    # The pre-empted host is no longer registered: its release is refused.
    assert a.release(b"QX010101") == qxscsi.PR_ERR_CONFLICT
    assert a.last_error()[0] == qxscsi.PR_ERR_CONFLICT
    assert b.release(key_b) == 0
    assert observer.read_reservation() == (0, b"", 0)

    # The single commands and the flat functions on the same disk.
    assert a.register(b"QX010101") == 0
    assert a.reserve(b"QX010101") == 0
    assert b.clear(key_b, qxscsi.PR_CLS_PREEMPT, b"QX010101") == 0
    assert observer.read_reservation() == (0, key_b, 3)
    assert qxscsi.func_pr_register(path(DISK_LUN, "flat"), b"QX030303") == (0, "")
    assert observer.read_keys() == (0, [key_b, b"QX030303"])
    assert qxscsi.func_pr_query_qx_reg_key(path(DISK_LUN, "flat")) == (0, key_b, "")
    assert qxscsi.func_make_reservation_key(3, 3, 3) == (0, qxscsi.make_key(3, 3, 3))

    assert (3, 2, "call QXScsiHardDisk::PR_queryRegKey().") in log
    assert any(level == 1 and handle == 1 and "conflict" in text.lower()
               for level, handle, text in log)


def test_the_tape_commands(path):
    tape = qxscsi.TapeDrive(path(TAPE_LUN, "tape"))
    assert tape.is_ok(), tape.last_error()
    ok, vendor, product = tape.identify()
    assert ok and vendor and product
    assert tape.serial_number()[0]
    assert tape.test_unit_ready() == (True, 0, 0, 0)
    assert tape.lock(True) and tape.lock(False) and tape.status == 0
    assert tape.read_position() == (0, 0)
    assert tape.tape_alert_supported() is False  # tgt serves no log pages
    assert tape.is_worm("LTO") == (False, 0)
    assert tape.media_type()[0]

    status, sense, data = tape.send(bytes([0x12, 0, 0, 0, 36, 0]), data_in_length=36)
    assert (status, sense, len(data)) == (0, b"", 36)
    assert data[8:16].decode().strip() == vendor
    # LOG SENSE is refused: CHECK CONDITION, fixed-format sense, ILLEGAL REQUEST.
    status, sense, _ = tape.send(bytes([0x4D, 0, 0x40, 0, 0, 0, 0, 0, 64, 0]),
                                 data_in_length=64)
    assert status == 2 and sense[0] & 0x7F == 0x70 and sense[2] & 0x0F == 5
    assert len(sense) == 8 + sense[7]
    # MODE SELECT of the drive's own mode header and block descriptor.
    status, _, header = tape.send(bytes([0x1A, 0, 0, 0, 12, 0]), data_in_length=12)
    assert status == 0
    header = bytes([0, 0, header[2] & 0x7F]) + header[3:]
    assert tape.send(bytes([0x15, 0x10, 0, 0, 12, 0]), data_out=header)[0] == 0


@pytest.mark.parametrize("call", [
    lambda d, t: d.register("QX010101"),
    lambda d, t: d.release(None),
    lambda d, t: d.force_reserve(1.5, 2, 3),
    lambda d, t: d.force_reserve(2**40, 2, 3),
    lambda d, t: d.clear(b"QX010101", 99),
    lambda d, t: qxscsi.HardDisk(["/dev/sda"], 1),
    lambda d, t: qxscsi.TapeDrive(None),
    lambda d, t: t.send("not bytes"),
    lambda d, t: t.send(b"\0" * 6, data_out=bytearray(4)),
    lambda d, t: t.is_worm(3592),
    lambda d, t: qxscsi.set_log_callback(42),
    lambda d, t: qxscsi.func_pr_register("/dev/null", "QX010101"),
])
def test_bad_argument_types_raise_type_error(call):
    with pytest.raises(TypeError):
        call(qxscsi.HardDisk("/dev/null", 1), qxscsi.TapeDrive("/dev/null"))


@pytest.mark.parametrize("kwargs", [
    dict(cdb=b""), dict(cdb=b"\0" * 17), dict(cdb=b"\0" * 6, data_in_length=-1),
    dict(cdb=b"\0" * 6, data_in_length=1 << 30), dict(cdb=b"\0" * 6, timeout=0),
    dict(cdb=b"\0" * 6, data_out=b"x", data_in_length=1),
])
def test_send_refuses_what_it_cannot_send(kwargs):
    with pytest.raises(ValueError):
        qxscsi.TapeDrive("/dev/null").send(**kwargs)
    with pytest.raises(ValueError):
        qxscsi.TapeDrive("/dev/null").is_worm("VHS")


def test_a_device_that_never_answers_holds_up_no_other_thread(path, target):
    tape = qxscsi.TapeDrive(path(TAPE_LUN, "stalled"))
    assert tape.is_ok()
    ticks, done = [], threading.Event()
    ticker = threading.Thread(target=lambda: [ticks.append(1) or time.sleep(0.01)
                                              for _ in iter(done.is_set, True)])
    pid = int(target["TGT_PID"])
    os.kill(pid, signal.SIGSTOP)
    try:
        ticker.start()
        started = time.monotonic()
        status, sense, _ = tape.send(bytes(6), timeout=2)
        elapsed = time.monotonic() - started
    finally:
        os.kill(pid, signal.SIGCONT)
        done.set()
        ticker.join()
    assert (status, sense) == (-1, b"")
    assert "no answer within 2 s" in tape.last_error()[1]
    assert 1.5 < elapsed < 10
    assert len(ticks) > 50, "the waiting call held the interpreter"
    # The session ended with the command; the next object logs in afresh.
    assert qxscsi.TapeDrive(path(TAPE_LUN, "stalled")).test_unit_ready()[0]


def test_a_log_callback_that_raises_is_reported_once_per_exception(monkeypatch):
    raised, reported = [], []
    monkeypatch.setattr("sys.unraisablehook", reported.append)

    def callback(level, handle, text):
        raised.append(ValueError(text))
        raise raised[-1]
    qxscsi.set_log_callback(callback)
    try:
        assert qxscsi.HardDisk("/dev/null", 5).read_keys()[0] == qxscsi.PR_ERR_ACCESS
    finally:
        qxscsi.set_log_callback(None)
    assert raised and [r.exc_value for r in reported] == raised


def test_threads_of_two_hosts_race_for_the_disk_while_logging(disk, log):
    hosts = [disk("race-a", 11), disk("race-b", 12)]
    observer = disk("race-observer", 13)  # shared by both threads
    codes = []

    def race(host, n):
        for _ in range(15):
            codes.append(host.force_reserve(n, n, n)[0])
            codes.append(observer.read_keys()[0])
    threads = [threading.Thread(target=race, args=(h, n)) for n, h in enumerate(hosts, 4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert set(codes) <= {0, qxscsi.PR_ERR_CONFLICT} and codes.count(0) >= 30
    assert observer.read_reservation()[1] in (b"QX040404", b"QX050505")
    assert {handle for _, handle, _ in log} >= {11, 12, 13}
