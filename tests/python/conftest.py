"""The module against the private tgt target that CTest's fixture starts (QXSCSI_TGT_ENV names
its settings); every host is an initiator name of its own, so a nexus of its own."""
import os

import pytest

DISK_LUN = 2
TAPE_LUN = 3


def _settings():
    values = {}
    with open(os.environ["QXSCSI_TGT_ENV"], encoding="ascii") as env:
        for line in env:
            name, _, value = line.strip().partition("=")
            values[name] = value.strip('"')
    return values


@pytest.fixture(scope="session")
def target():
    if "QXSCSI_TGT_ENV" not in os.environ:
        pytest.fail("no tgt fixture (QXSCSI_TGT_ENV)")
    return _settings()


@pytest.fixture
def path(target):
    """path(lun, host): how host reaches lun of the target."""
    return lambda lun, host: (f"iscsi://{target['TGT_PORTAL']}/{target['TGT_IQN']}/{lun}"
                              f"?initiator=iqn.2026-12.local.qxscsi:py-{host}")


@pytest.fixture
def disk(path):
    """disk(host, handle_id): an opened HardDisk of host on the test disk, which is cleared
    before the test and after it (other tests read it unreserved)."""
    import qxscsi

    def make(host, handle_id):
        d = qxscsi.HardDisk(path(DISK_LUN, host), handle_id)
        assert d.open()
        return d
    assert make("cleaner", 99).force_clear(9, 9, 9) == 0
    yield make
    assert make("cleaner", 99).force_clear(9, 9, 9) == 0


@pytest.fixture
def log():
    """The library's messages while a test runs, as (level, handle id, text)."""
    import qxscsi
    lines = []
    qxscsi.set_log_callback(lambda level, handle, text: lines.append((level, handle, text)))
    yield lines
    qxscsi.set_log_callback(None)
