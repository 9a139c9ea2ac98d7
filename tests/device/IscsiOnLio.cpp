// The library's iSCSI scenarios against LIO's target in the device VM, reached from this machine
// through a port of 127.0.0.1 that qemu forwards to the guest (scripts/device-vm/run.sh).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Check.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace device {

namespace {

using Outcome = QXScsiHardDisk::PR_FORCE_OUTCOME;
constexpr int kGood = 0, kConflict = 24;
const char* const kOutcomes[] = {"failed", "reserved a free disk", "held it already",
                                 "pre-empted another host",
                                 "took over from another connection under its key"};

// The path by which host (an initiator name of its own) reaches lun of the target at base.
std::string lunPath(const std::string& base, int lun, const std::string& host) {
    return base + "/" + std::to_string(lun) + "?initiator=iqn.2026-12.local.qxscsi:" + host;
}

// The keys READ KEYS lists through s (which sends it again after a unit attention), "[K1 K2]";
// "unreadable: ..." when it fails.
std::string keysThrough(QXNTSpti& s) {
    std::vector<std::string> keys;
    if (!s.isOK() || !s.QueryReg(keys)) {
        return "unreadable: " + describe(s);
    }
    std::string text;
    for (const std::string& key : keys) {
        text += (text.empty() ? "" : " ") + key;
    }
    return "[" + text + "]";
}

// What a disk holds, read by a host that never registers, is want: "keys [K1 K2], holder K
// type 3" or "keys [...], no reservation".
void expectReading(const std::string& step, const std::string& base, int lun,
                   const std::string& want) {
    QXNTSpti observer(0, lunPath(base, lun, "observer"));
    std::string got = "keys " + keysThrough(observer), holder;
    unsigned long type = 0;
    if (got[5] != '[' || !observer.QueryReserve(holder, type)) {
        got = "unreadable: " + describe(observer);
    } else {
        got += holder.empty() ? ", no reservation"
                              : ", holder " + holder + " type " + std::to_string(type);
    }
    CHECK(got == want, step + ": the observer reads " + want, got);
}

// READ(10) of block 0 through s answers status, once past a unit attention (LIO reports a
// pre-emption to the nexus it removed).
void readAnswers(const std::string& who, QXNTSpti& s, int status) {
    unsigned char cdb[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    unsigned char block[512];
    unsigned char key = 0;
    bool sent = s.isOK() && s.SendSCSICmd(cdb, 10, block, 512, &key, nullptr, nullptr, 30, 0);
    if (sent && s.m_nScsiStatus == 2 && (key & 0x0F) == 6) {
        sent = s.SendSCSICmd(cdb, 10, block, 512, &key, nullptr, nullptr, 30, 0);
    }
    CHECK(sent && s.m_nScsiStatus == status,
          who + ": READ(10) answers " + (status == kGood ? "GOOD" : "RESERVATION CONFLICT"),
          describe(s));
}

void readAnswers(const std::string& who, const std::string& path, int status) {
    QXNTSpti s(0, path);
    readAnswers(who, s, status);
}

// host's forced reserve under (n, n, n) returns 0 and takes the way want.
void forceReserve(const std::string& who, QXScsiHardDisk& host, int n, Outcome want) {
    std::string key, message;
    Outcome outcome = QXScsiHardDisk::PR_FORCE_NONE;
    const unsigned long rc = host.doForcePR_Reserve(n, n, n, key, outcome);
    host.getLastError(message);
    CHECK(rc == 0 && outcome == want, who + ": forced reserve " + kOutcomes[want],
          std::to_string(rc) + ", " + kOutcomes[outcome] + (rc == 0 ? "" : ", " + message));
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
void threeHosts(const std::string& base, int lun) {
    std::printf("##### three hosts on LUN %d, an observer reading after each step\n", lun);
    clear(base, lun);
    const std::string a = lunPath(base, lun, "host-a"), b = lunPath(base, lun, "host-b"),
                      c = lunPath(base, lun, "host-c");
    QXScsiHardDisk hostA(a, 1), hostB(b, 2), hostC(c, 3);
    hostA.Open();
    hostB.Open();
    hostC.Open();
    forceReserve("A", hostA, 1, QXScsiHardDisk::PR_FORCE_RESERVED);
    expectReading("A reserved", base, lun, "keys [QX010101], holder QX010101 type 3");
    forceReserve("B", hostB, 2, QXScsiHardDisk::PR_FORCE_PREEMPTED);
    expectReading("B pre-empted A", base, lun, "keys [QX020202], holder QX020202 type 3");
    readAnswers("A", a, kConflict);
    forceReserve("C", hostC, 3, QXScsiHardDisk::PR_FORCE_PREEMPTED);
    expectReading("C pre-empted B", base, lun, "keys [QX030303], holder QX030303 type 3");
    readAnswers("B", b, kConflict);
    readAnswers("C", c, kGood);
    expectCode("A, pre-empted, cannot release", hostA, hostA.doPR_Release("QX010101"), 45002);
    expectCode("C releases", hostC, hostC.doPR_Release("QX030303"), 0);
    expectReading("C released", base, lun, "keys [QX030303], no reservation");
    readAnswers("A", a, kGood);
}

// The flat functions build a key, register it and find it again.
void flatFunctions(const std::string& base, int lun) {
    std::printf("##### the flat functions on LUN %d\n", lun);
    clear(base, lun);
    const std::string path = lunPath(base, lun, "flat");
    char key[9] = {}, found[9] = {}, error[256] = {};
    int isFound = -1;
    unsigned long rc = FuncMakeReservationKey(7, 8, 9, key, 8);
    rc += FuncPR_register(path.c_str(), key, error, 256);
    CHECK(rc == 0, "FuncMakeReservationKey and FuncPR_register register " + std::string(key),
          std::to_string(rc) + " " + error);
    rc = FuncPR_queryQXRegKey(path.c_str(), found, 8, error, 256, &isFound);
    CHECK(rc == 0 && isFound == 1 && std::string(found) == "QX070809",
          "FuncPR_queryQXRegKey finds it", std::to_string(rc) + " " + found);
    expectReading("registered by the flat function", base, lun, "keys [QX070809], no reservation");
}

// Whether child, a host process of this one's, exited 0, which it does when none of its checks
// failed.
bool passed(pid_t child) {
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// One host key through two initiator names (two nexuses): the later one's forced reserve takes
// the reservation over from the earlier one.
void twoNexusesOneKey(const std::string& base, int lun) {
    std::printf("##### one host key through two initiator names on LUN %d\n", lun);
    clear(base, lun);
    const std::string first = lunPath(base, lun, "one-key-1");
    const std::string second = lunPath(base, lun, "one-key-2");
    QXScsiHardDisk earlier(first, 1), later(second, 1);
    earlier.Open();
    later.Open();
    forceReserve("the first name", earlier, 5, QXScsiHardDisk::PR_FORCE_RESERVED);
    readAnswers("the second name", second, kConflict);
    forceReserve("the second name", later, 5, QXScsiHardDisk::PR_FORCE_TAKEN_OVER);
    expectReading("the second name took over", base, lun,
                  "keys [QX050505], holder QX050505 type 3");
    readAnswers("the second name", second, kGood);
    readAnswers("the first name", first, kConflict);
}

// Processes of one host (one initiator name). One takes the disk and exits; the next (this
// one) logs in under the same initiator port, so LIO gives it the same nexus and the disk is
// still its own. While it lives, a third logs in under a port of its own: a nexus of its own,
// fenced, that does not replace this process's session. Each keeps working through the session
// it logged in first.
void processesOfOneHost(const std::string& base, int lun) {
    std::printf("##### processes of one host on LUN %d: one ends, one restarts, one beside it\n",
                lun);
    clear(base, lun);
    const std::string path = lunPath(base, lun, "one-host");
    std::fflush(stdout);
    const pid_t first = ::fork();
    if (first == 0) {
        QXScsiHardDisk ending(path, 1);
        ending.Open();
        forceReserve("the first process", ending, 4, QXScsiHardDisk::PR_FORCE_RESERVED);
        std::fflush(stdout);
        ::_exit(failures() == 0 ? 0 : 1);
    }
    CHECK(passed(first), "the first process ended", "");
    QXScsiHardDisk host(path, 1);
    host.Open();
    forceReserve("the restarted process", host, 4, QXScsiHardDisk::PR_FORCE_ALREADY_HELD);
    QXNTSpti mine(0, path);
    readAnswers("the restarted process", mine, kGood);
    expectReading("restarted", base, lun, "keys [QX040404], holder QX040404 type 3");
    int toParent[2] = {-1, -1}, toChild[2] = {-1, -1};
    char c = 0;
    std::fflush(stdout);
    const pid_t child = ::pipe(toParent) == 0 && ::pipe(toChild) == 0 ? ::fork() : -1;
    if (child == 0) {
        QXNTSpti beside(0, path);
        const std::string before = keysThrough(beside);
        const bool turn = ::write(toParent[1], &c, 1) == 1 && ::read(toChild[0], &c, 1) == 1;
        const std::string after = keysThrough(beside);
        CHECK(turn && before == "[QX040404]" && after == before,
              "the process beside it reads the keys through its first session, before and after "
              "the restarted process's command",
              before + ", " + after);
        readAnswers("the process beside it, a nexus of its own", beside, kConflict);
        std::fflush(stdout);
        ::_exit(failures() == 0 ? 0 : 1);
    }
    ::close(toParent[1]);
    CHECK(::read(toParent[0], &c, 1) == 1, "the process beside it logged in", "");
    readAnswers("the restarted process, through its first session", mine, kGood);
    (void)!::write(toChild[1], &c, 1);
    CHECK(passed(child), "the process beside it passed its checks", "");
    for (const int fd : {toParent[0], toChild[0], toChild[1]}) {
        ::close(fd);
    }
    expectReading("all three worked", base, lun, "keys [QX040404], holder QX040404 type 3");
}

}  // namespace

void iscsiOnLio(const std::string& base) {
    threeHosts(base, 0);
    flatFunctions(base, 1);
    processesOfOneHost(base, 2);
    twoNexusesOneKey(base, 3);
}

}  // namespace device
