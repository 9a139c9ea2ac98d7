// A host program built on the installed library: it takes a shared disk over with the forced
// reserve, reads a tape drive's identity and TapeAlert flags, then releases the disk.
//
//   qxscsi-take-over DISK TAPE [SITE NODE UNIT]
//
// DISK and TAPE are device paths (/dev/sdX, /dev/nstX, iscsi://...); SITE, NODE and UNIT (0 to
// 99, default 1 1 1) make the host's reservation key. The library's log lines go to standard
// error. Exit status: 0 every step worked, 1 a step failed, 2 wrong arguments.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "qxscsi/qxscsi.h"

namespace {

const long long kHostId = 1;

// The library never prints; it hands its messages to the host through this callback.
void logLine(int level, const long long& id, const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "  log (host %lld, level %d): %s\n", id, level, text.c_str());
}

bool keyField(const char* text, int& value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < 0 || number > 99) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

// Identity and TapeAlert flags of the drive at path; false when a command failed.
bool showTapeDrive(const std::string& path) {
    try {
        QXNTSpti drive(0, path);
        if (!drive.isOK()) {
            std::printf("tape %s: cannot open: %s\n", path.c_str(), drive.m_strErrorMsg.c_str());
            return false;
        }
        if (!drive.Inquiry()) {
            std::printf("tape %s: INQUIRY failed: %s\n", path.c_str(), drive.m_strErrorMsg.c_str());
            return false;
        }
        std::string serial;
        drive.GetSerialNumber(serial);
        std::printf("tape %s: %s %s, serial %s\n", path.c_str(), drive.m_strVendorId.c_str(),
                    drive.m_strProductId.c_str(), serial.empty() ? "unknown" : serial.c_str());
        if (!drive.TapeAlertSupported()) {
            std::printf("tape %s: no TapeAlert log page\n", path.c_str());
            return true;
        }
        std::vector<bool> flags(64);
        if (!drive.GetTapeAlertFlag(flags)) {
            std::printf("tape %s: TapeAlert flags unreadable: %s\n", path.c_str(),
                        drive.m_strErrorMsg.c_str());
            return false;
        }
        std::string set;
        for (unsigned int flag = 1; flag <= 64; ++flag) {
            if (drive.IsAlertSet(flag, flags)) {
                set += " " + std::to_string(flag);
            }
        }
        std::printf("tape %s: TapeAlert flags set:%s\n", path.c_str(),
                    set.empty() ? " none" : set.c_str());
        return true;
    } catch (const QxException& e) {
        // The platform throws from the pass-through object's constructor only.
        std::printf("tape %s: platform failure: %s\n", path.c_str(),
                    e.getMessage() != nullptr ? e.getMessage() : "no message");
        return false;
    }
}

}  // namespace

int main(int argc, char** argv) {
    int site = 1;
    int node = 1;
    int unit = 1;
    if ((argc != 3 && argc != 6) ||
        (argc == 6 &&
         !(keyField(argv[3], site) && keyField(argv[4], node) && keyField(argv[5], unit)))) {
        std::fprintf(stderr, "usage: %s DISK TAPE [SITE NODE UNIT]   (SITE, NODE, UNIT: 0-99)\n",
                     argv[0]);
        return 2;
    }
    const std::string diskPath = argv[1];
    const std::string tapePath = argv[2];
    std::printf("qxscsi %s\n", QXSCSI_VERSION_STRING);

    // Installed once, before the first handle.
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = logLine;

    bool ok = true;
    QXScsiHardDisk disk(diskPath, kHostId);
    disk.Open();
    std::string key;
    std::string why;
    unsigned long code = disk.doForcePR_Reserve(site, node, unit, key);
    const bool held = code == 0;
    if (held) {
        std::printf("disk %s: reserved under key %s\n", diskPath.c_str(), key.c_str());
    } else {
        disk.getLastError(why);
        std::printf("disk %s: forced reserve failed, code %lu: %s\n", diskPath.c_str(), code,
                    why.c_str());
        ok = false;
    }

    ok = showTapeDrive(tapePath) && ok;

    if (held) {
        code = disk.doPR_Release(key);
        if (code == 0) {
            std::printf("disk %s: released\n", diskPath.c_str());
        } else {
            disk.getLastError(why);
            std::printf("disk %s: release failed, code %lu: %s\n", diskPath.c_str(), code,
                        why.c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
