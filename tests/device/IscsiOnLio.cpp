#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Check.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace device {

namespace {

constexpr int kDisks = 6;
constexpr int kStoryDisk = 0, kFlatDisk = 1, kRestartDisk = 2, kOneKeyDisk = 3;
constexpr int kGood = 0, kConflict = 24;

// The path by which host (an initiator name of its own) reaches lun of the target at base.
std::string lunPath(const std::string& base, int lun, const std::string& host) {
    return base + "/" + std::to_string(lun) + "?initiator=iqn.2026-12.local.qxscsi:" + host;
}

// A command through a pass-through object, sent again once when a unit attention answers it
// (LIO reports a pre-emption to the nexus it removed).
bool sendPastUnitAttention(QXNTSpti& s, unsigned char* cdb, int length, unsigned char* data,
                           int size) {
    unsigned char key = 0, asc = 0, ascq = 0;
    bool sent = s.isOK() && s.SendSCSICmd(cdb, length, data, size, &key, &asc, &ascq, 30, 0);
    if (sent && s.m_nScsiStatus == 2 && (key & 0x0F) == 6) {
        sent = s.SendSCSICmd(cdb, length, data, size, &key, &asc, &ascq, 30, 0);
    }
    return sent;
}

// Every disk logs in and identifies itself.
void everyDiskAnswers(const std::string& base) {
    for (int lun = 0; lun < kDisks; ++lun) {
        const std::string path = lunPath(base, lun, "observer");
        QXNTSpti s(0, path);
        unsigned char tur[6] = {0, 0, 0, 0, 0, 0};
        const bool ready = sendPastUnitAttention(s, tur, 6, nullptr, 0) && s.m_nScsiStatus == 0;
        const bool identified = ready && s.Inquiry() && s.m_nScsiStatus == 0;
        CHECK(identified, path + ": logs in, is ready and identifies itself",
              describe(s) + "; " + s.m_strVendorId + " " + s.m_strProductId);
    }
}

// What a disk holds, read by a host that never registers: "keys [K1 K2], holder K type 3" or
// "keys [...], no reservation"; keys sorted.
std::string reading(const std::string& base, int lun) {
    QXNTSpti observer(0, lunPath(base, lun, "observer"));
    std::vector<std::string> keys;
    std::string holder;
    unsigned long type = 0;
    bool read = observer.isOK() && observer.QueryReg(keys);
    if (!read && observer.m_nScsiStatus == 2) {  // a unit attention, most likely
        keys.clear();
        read = observer.QueryReg(keys);
    }
    if (!read || !observer.QueryReserve(holder, type)) {
        return "unreadable: " + describe(observer);
    }
    std::sort(keys.begin(), keys.end());
    std::string text = "keys [";
    for (size_t i = 0; i < keys.size(); ++i) {
        text += (i == 0 ? "" : " ") + keys[i];
    }
    return text + "], " +
           (holder.empty() ? "no reservation"
                           : "holder " + holder + " type " + std::to_string(type));
}

void expectReading(const std::string& step, const std::string& base, int lun,
                   const std::string& want) {
    const std::string got = reading(base, lun);
    CHECK(got == want, step + ": the observer reads " + want, got);
}

// READ(10) of block 0 through host's own nexus answers status (GOOD or RESERVATION CONFLICT).
void readAnswers(const std::string& who, const std::string& path, int status) {
    QXNTSpti s(0, path);
    unsigned char cdb[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    unsigned char block[512];
    CHECK(sendPastUnitAttention(s, cdb, 10, block, 512) && s.m_nScsiStatus == status,
          who + "'s READ(10) answers " + (status == kGood ? "GOOD" : "RESERVATION CONFLICT"),
          describe(s));
}

const char* outcomeName(QXScsiHardDisk::PR_FORCE_OUTCOME outcome) {
    switch (outcome) {
        case QXScsiHardDisk::PR_FORCE_RESERVED:
            return "reserved a free disk";
        case QXScsiHardDisk::PR_FORCE_ALREADY_HELD:
            return "held it already";
        case QXScsiHardDisk::PR_FORCE_PREEMPTED:
            return "pre-empted another host";
        case QXScsiHardDisk::PR_FORCE_TAKEN_OVER:
            return "took over from another connection under its key";
        default:
            return "failed";
    }
}

// host's forced reserve under (first, second, third) returns 0 and takes the way want.
void forceReserve(const std::string& who, QXScsiHardDisk& host, int first, int second, int third,
                  QXScsiHardDisk::PR_FORCE_OUTCOME want) {
    std::string key, message;
    QXScsiHardDisk::PR_FORCE_OUTCOME outcome = QXScsiHardDisk::PR_FORCE_NONE;
    const unsigned long rc = host.doForcePR_Reserve(first, second, third, key, outcome);
    host.getLastError(message);
    CHECK(rc == 0 && outcome == want, who + "'s forced reserve " + outcomeName(want),
          std::to_string(rc) + ", " + outcomeName(outcome) + (rc == 0 ? "" : ", " + message));
}

void expectCode(const std::string& what, QXScsiHardDisk& host, unsigned long rc,
                unsigned long want) {
    std::string message;
    host.getLastError(message);
    CHECK(rc == want, what, std::to_string(rc) + (rc == 0 ? "" : " " + message));
}

void clear(const std::string& base, int lun) {
    QXScsiHardDisk clearer(lunPath(base, lun, "clearer"), 9);
    clearer.Open();
    expectCode("the disk is cleared", clearer, clearer.doForcePR_Clear(9, 9, 9), 0);
    expectReading("cleared", base, lun, "keys [], no reservation");
}

// Three hosts take the disk from one another; the observer reads it after every step.
void threeHosts(const std::string& base) {
    std::printf("##### three hosts on LUN %d, an observer reading after each step\n", kStoryDisk);
    clear(base, kStoryDisk);
    const std::string a = lunPath(base, kStoryDisk, "host-a");
    const std::string b = lunPath(base, kStoryDisk, "host-b");
    const std::string c = lunPath(base, kStoryDisk, "host-c");
    QXScsiHardDisk hostA(a, 1), hostB(b, 2), hostC(c, 3);
    hostA.Open();
    hostB.Open();
    hostC.Open();
    forceReserve("A", hostA, 1, 1, 1, QXScsiHardDisk::PR_FORCE_RESERVED);
    expectReading("A reserved", base, kStoryDisk, "keys [QX010101], holder QX010101 type 3");
    forceReserve("B", hostB, 2, 2, 2, QXScsiHardDisk::PR_FORCE_PREEMPTED);
    expectReading("B pre-empted A", base, kStoryDisk, "keys [QX020202], holder QX020202 type 3");
    readAnswers("A", a, kConflict);
    forceReserve("C", hostC, 3, 3, 3, QXScsiHardDisk::PR_FORCE_PREEMPTED);
    expectReading("C pre-empted B", base, kStoryDisk, "keys [QX030303], holder QX030303 type 3");
    readAnswers("B", b, kConflict);
    readAnswers("C", c, kGood);
    forceReserve("C, again,", hostC, 3, 3, 3, QXScsiHardDisk::PR_FORCE_ALREADY_HELD);
    expectCode("A, pre-empted, cannot release", hostA, hostA.doPR_Release("QX010101"), 45002);
    expectCode("C releases", hostC, hostC.doPR_Release("QX030303"), 0);
    expectReading("C released", base, kStoryDisk, "keys [QX030303], no reservation");
    readAnswers("A", a, kGood);
    expectCode("A's forced clear", hostA, hostA.doForcePR_Clear(1, 1, 1), 0);
    expectReading("A cleared", base, kStoryDisk, "keys [], no reservation");
}

// The flat functions build a key, register it and find it again.
void flatFunctions(const std::string& base) {
    std::printf("##### the flat functions on LUN %d\n", kFlatDisk);
    clear(base, kFlatDisk);
    const std::string path = lunPath(base, kFlatDisk, "flat");
    char key[9] = {}, found[9] = {}, error[256] = {};
    int isFound = -1;
    unsigned long rc =
        FuncPR_queryQXRegKey(path.c_str(), found, sizeof found - 1, error, sizeof error, &isFound);
    CHECK(rc == 0 && isFound == 0, "FuncPR_queryQXRegKey finds no key on the cleared disk",
          std::to_string(rc) + ", found " + std::to_string(isFound) + " " + error);
    rc = FuncMakeReservationKey(7, 8, 9, key, sizeof key - 1);
    CHECK(rc == 0 && std::string(key) == "QX070809", "FuncMakeReservationKey builds QX070809",
          std::to_string(rc) + " " + key);
    rc = FuncPR_register(path.c_str(), key, error, sizeof error);
    CHECK(rc == 0, "FuncPR_register registers it", std::to_string(rc) + " " + error);
    rc = FuncPR_queryQXRegKey(path.c_str(), found, sizeof found - 1, error, sizeof error, &isFound);
    CHECK(rc == 0 && isFound == 1 && std::string(found) == "QX070809",
          "FuncPR_queryQXRegKey finds it", std::to_string(rc) + " " + found);
    expectReading("registered by the flat function", base, kFlatDisk,
                  "keys [QX070809], no reservation");
    const std::string missing = lunPath(base, 31, "flat");
    rc = FuncPR_register(missing.c_str(), key, error, sizeof error);
    CHECK(rc != 0 && std::string(error).find("/31") != std::string::npos,
          "FuncPR_register on a LUN the target lacks fails naming it",
          std::to_string(rc) + " " + error);
    clear(base, kFlatDisk);
}

// Runs body in a process of its own (a host process that starts, works and exits); true when it
// exited 0, which it does when none of its checks failed.
template <typename Body>
bool inProcess(Body body) {
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        std::fflush(stdout);
        ::_exit(failures() == 0 ? 0 : 1);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// A host process takes the disk and exits; the host's next process logs in under the same
// initiator name: LIO gives it the same nexus, so the disk is still its own.
void restartedHost(const std::string& base) {
    std::printf("##### a restarted host on LUN %d: two processes one after the other\n",
                kRestartDisk);
    clear(base, kRestartDisk);
    const std::string path = lunPath(base, kRestartDisk, "restarted");
    CHECK(inProcess([&] {
              QXScsiHardDisk host(path, 1);
              host.Open();
              forceReserve("the first process", host, 4, 4, 4, QXScsiHardDisk::PR_FORCE_RESERVED);
          }),
          "the first process took the disk and exited", "");
    expectReading("the first process ended", base, kRestartDisk,
                  "keys [QX040404], holder QX040404 type 3");
    CHECK(inProcess([&] {
              QXScsiHardDisk host(path, 1);
              host.Open();
              forceReserve("the second process", host, 4, 4, 4,
                           QXScsiHardDisk::PR_FORCE_ALREADY_HELD);
              readAnswers("the second process", path, kGood);
          }),
          "the second process found the disk its own and exited", "");
    expectReading("the second process ended", base, kRestartDisk,
                  "keys [QX040404], holder QX040404 type 3");
    clear(base, kRestartDisk);
}

// One host key through two initiator names (two nexuses): the later one's forced reserve takes
// the reservation over from the earlier one.
void twoNexusesOneKey(const std::string& base) {
    std::printf("##### one host key through two initiator names on LUN %d\n", kOneKeyDisk);
    clear(base, kOneKeyDisk);
    const std::string first = lunPath(base, kOneKeyDisk, "one-key-1");
    const std::string second = lunPath(base, kOneKeyDisk, "one-key-2");
    QXScsiHardDisk earlier(first, 1), later(second, 1);
    earlier.Open();
    later.Open();
    forceReserve("the first name", earlier, 5, 5, 5, QXScsiHardDisk::PR_FORCE_RESERVED);
    readAnswers("the second name", second, kConflict);
    forceReserve("the second name", later, 5, 5, 5, QXScsiHardDisk::PR_FORCE_TAKEN_OVER);
    expectReading("the second name took over", base, kOneKeyDisk,
                  "keys [QX050505], holder QX050505 type 3");
    readAnswers("the second name", second, kGood);
    readAnswers("the first name", first, kConflict);
    clear(base, kOneKeyDisk);
}

}  // namespace

void iscsiOnLio(const std::string& base) {
    everyDiskAnswers(base);
    threeHosts(base);
    flatFunctions(base);
    restartedHost(base);
    twoNexusesOneKey(base);
}

}  // namespace device
