// Checks the library against real SCSI devices (run inside the device VM, see
// scripts/device-vm/). Uses only the public headers, like a host would.
//
//   qxscsi-device-check tape DEV          identification and drive commands on a tape drive
//   qxscsi-device-check busy DEV          a second opener of a tape node is refused cleanly
//   qxscsi-device-check sense DEV         descriptor-format sense reaches callers as fixed format
//   qxscsi-device-check reservations A B  persistent reservations between two hosts on one disk
//   qxscsi-device-check side-by-side A B  the same disk, each state read by sg_persist as well
//   qxscsi-device-check tape-side-by-side DEV  the tape drive read by the library and sg3_utils
//   qxscsi-device-check transport SG SD   a scsi_debug disk that drops commands, then is deleted
//
// Prints one CHECK-OK or CHECK-FAIL line per check; exits 1 when any check failed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Check.h"
#include "SideBySide.h"
#include "TransportFailure.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace {

using device::describe;
using device::hex;
using device::settle;

int tape(const std::string& dev) {
    QXNTSpti s(0, dev);
    CHECK(s.isOK(), dev + ": opens and answers SG_IO", s.m_strErrorMsg);
    settle(s);

    unsigned char key = 0xEE, asc = 0xEE, ascq = 0xEE;
    CHECK(s.TestUnitReady(&key, &asc, &ascq) && s.m_nScsiStatus == 0 && key == 0,
          dev + ": TEST UNIT READY is GOOD", describe(s));
    CHECK(s.Inquiry() && s.m_strVendorId == "Linux" && s.m_strProductId == "scsi_debug",
          dev + ": INQUIRY identifies the drive",
          "'" + s.m_strVendorId + "' '" + s.m_strProductId + "'");
    CHECK(s.IsUnit("Linux", "scsi_debug") && !s.IsUnit("IBM", "ULT3580-TD3"),
          dev + ": IsUnit compares the identification", "");
    std::string serial = "unset";
    CHECK(s.GetSerialNumber(serial) && s.m_nScsiStatus == 0 && serial != "unset",
          dev + ": unit serial number read", "'" + serial + "'");

    unsigned char mode[128] = {};
    CHECK(s.doModeSense(mode, 128, 0x3F) && s.m_nScsiStatus == 0 && mode[0] >= 3,
          dev + ": MODE SENSE(6) returns a mode parameter header", describe(s));

    // A command the drive does not know: CHECK CONDITION, ILLEGAL REQUEST, INVALID COMMAND
    // OPERATION CODE, read from fixed-format sense.
    unsigned char cdb[6] = {0xFF, 0, 0, 0, 0, 0};
    key = asc = ascq = 0xEE;
    CHECK(s.SendSCSICmd(cdb, 6, nullptr, 0, &key, &asc, &ascq, 1800, 0) && s.m_nScsiStatus == 2 &&
              (key & 0x0F) == 0x05 && asc == 0x20,
          dev + ": unknown command gives CHECK CONDITION 5/20",
          describe(s) + " key " + std::to_string(key) + " asc " + std::to_string(asc));

    CHECK(s.PreventAllow(0) && s.LogSense(0x00, mode, 128),
          dev + ": PREVENT ALLOW and LOG SENSE are sent", describe(s));
    CHECK(!s.TapeAlertSupported() || s.m_nScsiStatus == 0, dev + ": TapeAlert support is read", "");
    return 0;
}

int busy(const std::string& dev) {
    QXNTSpti first(0, dev);
    CHECK(first.isOK(), dev + ": first opener is served", first.m_strErrorMsg);
    QXNTSpti second(0, dev);
    CHECK(!second.isOK(), dev + ": second opener is refused", second.m_strErrorMsg);
    unsigned char cdb[6] = {0x00, 0, 0, 0, 0, 0};
    CHECK(!second.SendSCSICmd(cdb, 6, nullptr, 0, nullptr, nullptr, nullptr, 1800, 0) &&
              second.m_strErrorMsg == "Target has not been opened.",
          dev + ": the refused opener sends nothing", second.m_strErrorMsg);
    CHECK(first.SendSCSICmd(cdb, 6, nullptr, 0, nullptr, nullptr, nullptr, 1800, 0),
          dev + ": the first opener still works", describe(first));
    return 0;
}

int sense(const std::string& dev) {
    QXNTSpti s(0, dev);
    CHECK(s.isOK(), dev + ": opens", s.m_strErrorMsg);
    settle(s);
    unsigned char cdb[6] = {0xFF, 0, 0, 0, 0, 0};
    unsigned char key = 0xEE, asc = 0xEE, ascq = 0xEE;
    CHECK(s.SendSCSICmd(cdb, 6, nullptr, 0, &key, &asc, &ascq, 1800, 0) && s.m_nScsiStatus == 2 &&
              key == 0x05 && asc == 0x20 && ascq == 0x00,
          dev + ": descriptor sense arrives as fixed sense 5/20/00",
          describe(s) + " key " + std::to_string(key) + " asc " + std::to_string(asc));
    return 0;
}

std::vector<std::string> g_log;
void logToList(int level, const long long& id, const std::string& text) {
    g_log.push_back(std::to_string(level) + " " + std::to_string(id) + " " + text);
}
bool logged(const std::string& text) {
    for (const std::string& line : g_log) {
        if (line.size() >= text.size() &&
            line.compare(line.size() - text.size(), text.size(), text) == 0) {
            return true;
        }
    }
    return false;
}

// The device's holder key and type as seen from one path.
std::string holder(const std::string& dev) {
    QXNTSpti s(0, dev);
    std::string key = "?";
    unsigned long type = 99;
    if (!s.isOK() || !s.QueryReserve(key, type)) {
        return "query failed: " + describe(s);
    }
    return key.empty() ? "none" : key + "/" + std::to_string(type);
}

std::vector<std::string> registered(const std::string& dev) {
    QXNTSpti s(0, dev);
    std::vector<std::string> keys;
    s.isOK();
    s.QueryReg(keys);
    return keys;
}

int reservations(const std::string& a, const std::string& b) {
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = logToList;
    QXScsiHardDisk hostA(a, 1);
    QXScsiHardDisk hostB(b, 2);
    hostA.Open();
    hostB.Open();
    std::string keyA, keyB, message;

    CHECK(hostA.doForcePR_Clear(9, 9, 9) == 0, "A clears the device", message);
    CHECK(holder(a) == "none" && registered(b).empty(), "device starts free", "");

    unsigned long rc = hostA.doForcePR_Reserve(1, 2, 3, keyA);
    hostA.getLastError(message);
    CHECK(rc == 0 && keyA == "QX010203", "A takes a free device", message);
    CHECK(holder(b) == "QX010203/3", "B sees A's Exclusive Access reservation", holder(b));

    g_log.clear();
    CHECK(hostA.doForcePR_Reserve(1, 2, 3, keyA) == 0 &&
              logged("Reservation on the drive already exists from this host"),
          "A's second forced reserve finds its own reservation", "");

    rc = hostB.doForcePR_Reserve(4, 5, 6, keyB);
    hostB.getLastError(message);
    CHECK(rc == 0 && logged("Valid reservation on the drive from another host. Going to pre-empt"),
          "B pre-empts A", message);
    CHECK(holder(a) == "QX040506/3", "holder is B", holder(a));
    std::vector<std::string> keys = registered(a);
    CHECK(keys.size() == 1 && keys[0] == "QX040506", "A's registration went with the pre-emption",
          "");

    // A has a unit attention pending (reservations preempted) and is no longer registered.
    rc = hostA.doForcePR_Reserve(1, 2, 3, keyA);
    hostA.getLastError(message);
    CHECK(rc == 0 && holder(b) == "QX010203/3", "A takes the device back",
          message + " " + holder(b));

    rc = hostB.doPR_Release(keyB);
    hostB.getLastError(message);
    CHECK(rc == 45002 && message == "Reservation conflict occurred.",
          "B, pre-empted, cannot release", std::to_string(rc) + " " + message);
    CHECK(hostA.doPR_Release(keyA) == 0 && holder(b) == "none", "A releases its reservation", "");

    char err[256] = {};
    char key[16] = {};
    int found = -1;
    CHECK(FuncPR_register(b.c_str(), const_cast<char*>("QX070809"), err, sizeof err) == 0,
          "flat register from B", err);
    CHECK(FuncPR_queryQXRegKey(a.c_str(), key, sizeof key, err, sizeof err, &found) == 0 &&
              found == 1 && std::strncmp(key, "QX", 2) == 0,
          "flat query from A finds a QX key", key);

    CHECK(hostB.doForcePR_Clear(4, 5, 6) == 0 && registered(a).empty() && holder(a) == "none",
          "B clears every registration and the reservation", "");

    // Another program on B registers and reserves under a number, as most tools do, with plain
    // PERSISTENT RESERVE OUT commands; its key's bytes begin with zeros.
    const std::string numeric("\0\0\0\0\x1A\x2B\0\x01", 8);
    {
        QXNTSpti raw(0, b);
        CHECK(raw.isOK() && raw.persistentReserveOut("", numeric, 0, 3) == 0 &&
                  raw.persistentReserveOut(numeric, "", 1, 3) == 0,
              "B registers and reserves under 0x000000001A2B0001 with plain commands",
              describe(raw));
    }
    keys = registered(a);
    CHECK(keys.size() == 1 && keys[0] == numeric && holder(a) == numeric + "/3",
          "A reads the numeric key and holder with their zero bytes", hex(holder(a)));
    rc = hostA.doForcePR_Reserve(1, 2, 3, keyA);
    hostA.getLastError(message);
    keys = registered(b);
    CHECK(rc == 0 && holder(b) == "QX010203/3" && keys.size() == 1 && keys[0] == keyA,
          "A's forced reserve pre-empts the numeric holder",
          std::to_string(rc) + " " + message + " " + hex(holder(b)));
    CHECK(hostA.doForcePR_Clear(1, 2, 3) == 0 && holder(b) == "none", "A clears the device", "");
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = nullptr;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "tape" && argc == 3) {
        tape(argv[2]);
    } else if (what == "busy" && argc == 3) {
        busy(argv[2]);
    } else if (what == "sense" && argc == 3) {
        sense(argv[2]);
    } else if (what == "reservations" && argc == 4) {
        reservations(argv[2], argv[3]);
    } else if (what == "tape-side-by-side" && argc == 3) {
        device::tapeSideBySide(argv[2]);
    } else if (what == "transport" && argc == 4) {
        device::transportFailure(argv[2], argv[3]);
    } else if (what == "side-by-side" && argc == 4) {
        device::reservationsSideBySide(argv[2], argv[3]);
    } else {
        std::fprintf(stderr,
                     "usage: qxscsi-device-check tape|busy|sense|tape-side-by-side DEV | "
                     "reservations|side-by-side DEV_A DEV_B | transport SG SD\n");
        return 2;
    }
    return device::failures() == 0 ? 0 : 1;
}
