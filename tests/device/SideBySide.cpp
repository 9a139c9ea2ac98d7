#include <cstdint>
#include <vector>

#include "Check.h"
#include "SgUtils.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace device {

namespace {

const unsigned long kExclusiveAccess = 3;

// The library's reading through a handle of its own, as a host reads it.
std::string libraryState(const std::string& dev) {
    QXScsiHardDisk handle(dev, 90);
    handle.Open();
    std::vector<std::string> keys;
    std::string holder, message;
    unsigned long type = 0;
    if (handle.PR_queryRegKey(keys) != 0 || handle.PR_queryRsrv(holder, type) != 0) {
        handle.getLastError(message);
        return "unreadable: library: " + message;
    }
    std::vector<uint64_t> numbers;
    for (const std::string& key : keys) {
        numbers.push_back(keyNumber(key));
    }
    return stateText(numbers,
                     holder.empty() ? "" : showKey(keyNumber(holder)) + " " + scopeAndType(type));
}

// The state a step should leave: these keys, and an Exclusive Access reservation under holder
// (none when holder is 0).
std::string expected(const std::vector<uint64_t>& keys, uint64_t holder) {
    return stateText(keys,
                     holder == 0 ? "" : showKey(holder) + " " + scopeAndType(kExclusiveAccess));
}

// After a step: sg_persist on each host's path reads what the library reads on the other's, and
// both are the state the step should leave.
void agree(const std::string& step, const std::string& a, const std::string& b,
           const std::string& want) {
    const std::string pairs[2][2] = {{b, a}, {a, b}};
    for (const auto& pair : pairs) {
        const std::string tool = sgPersistState(pair[0]);
        const std::string library = libraryState(pair[1]);
        CHECK(tool == library && library == want,
              step + ": sg_persist on " + pair[0] + " reads what the library reads on " + pair[1],
              "library: " + library + "; sg_persist: " + tool +
                  (library == want ? "" : "; expected: " + want));
    }
}

// One sg_persist --out command, sent again once after a unit attention.
void sgPersistOut(const std::string& what, const std::string& dev, const std::string& options) {
    const ToolRun run = runTool("sg_persist --no-inquiry --out " + options + " " + dev, true);
    CHECK(run.exitStatus == 0, what + " (sg_persist " + options + " " + dev + ")",
          "exit " + std::to_string(run.exitStatus) +
              (run.retried ? " after a unit attention" : "") +
              (run.output.empty() ? "" : ": " + run.output));
}

// A READ(10) of block 0 on dev, sent raw, answers status: 24 (RESERVATION CONFLICT) on a
// fenced path, 0 on the holder's (a unit attention that is still pending is answered first).
void readAnswers(const std::string& dev, int status) {
    QXNTSpti raw(0, dev);
    unsigned char cdb[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    unsigned char block[512];
    unsigned char key = 0, asc = 0, ascq = 0;
    bool answered = raw.isOK() && raw.SendSCSICmd(cdb, sizeof cdb, block, sizeof block, &key, &asc,
                                                  &ascq, 1800, 0);
    if (answered && raw.m_nScsiStatus == 2 && (key & 0x0F) == 6) {
        answered =
            raw.SendSCSICmd(cdb, sizeof cdb, block, sizeof block, &key, &asc, &ascq, 1800, 0);
    }
    CHECK(answered && raw.m_nScsiStatus == status,
          "READ(10) on " + dev + " answers " + (status == 24 ? "RESERVATION CONFLICT" : "GOOD"),
          describe(raw));
}

// A host's operation ended in want (its code), or the check says what it ended in.
void expectCode(QXScsiHardDisk& host, unsigned long rc, const std::string& what,
                unsigned long want = 0) {
    std::string message;
    host.getLastError(message);
    CHECK(rc == want, what, std::to_string(rc) + " " + message);
}

void story(const std::string& a, const std::string& b) {
    QXScsiHardDisk hostA(a, 1);
    QXScsiHardDisk hostB(b, 2);
    hostA.Open();
    hostB.Open();
    const uint64_t qxA = keyNumber("QX010203");
    const uint64_t qxB = keyNumber("QX040506");
    std::string keyA, keyB;

    expectCode(hostA, hostA.doForcePR_Clear(1, 2, 3), "A clears the device");
    agree("fresh device", a, b, expected({}, 0));

    expectCode(hostA, hostA.doForcePR_Reserve(1, 2, 3, keyA), "A reserves");
    agree("A reserved", a, b, expected({qxA}, qxA));

    expectCode(hostB, hostB.doForcePR_Reserve(4, 5, 6, keyB), "B pre-empts A");
    agree("B pre-empted A", a, b, expected({qxB}, qxB));

    readAnswers(a, 24);
    agree("A's READ(10) refused", a, b, expected({qxB}, qxB));
    expectCode(hostA, hostA.doPR_Release(keyA), "A, pre-empted, cannot release", 45002);

    expectCode(hostA, hostA.doForcePR_Clear(1, 2, 3), "A's forced clear");
    agree("forced clear", a, b, expected({}, 0));
}

// sg_persist registers, reserves and pre-empts under keyOfB and keyOfA (given as the numbers
// sg_persist takes); the library reads each state, then B's forced reserve takes the device over
// from the holder that sg_persist made.
void madeBySgPersist(const std::string& kind, const std::string& a, const std::string& b,
                     uint64_t keyOfB, uint64_t keyOfA) {
    const std::string kB = showKey(keyOfB), kA = showKey(keyOfA);
    sgPersistOut(kind + ": B registers " + kB, b, "--register --param-sark=" + kB);
    agree(kind + ": B registered by sg_persist", a, b, expected({keyOfB}, 0));
    sgPersistOut(kind + ": A registers " + kA, a, "--register --param-sark=" + kA);
    agree(kind + ": A registered by sg_persist", a, b, expected({keyOfA, keyOfB}, 0));
    sgPersistOut(kind + ": B reserves", b, "--reserve --param-rk=" + kB + " --prout-type=3");
    agree(kind + ": B reserved by sg_persist", a, b, expected({keyOfA, keyOfB}, keyOfB));
    sgPersistOut(kind + ": A pre-empts B", a,
                 "--preempt --param-rk=" + kA + " --param-sark=" + kB + " --prout-type=3");
    agree(kind + ": A pre-empted B by sg_persist", a, b, expected({keyOfA}, keyOfA));

    QXScsiHardDisk hostB(b, 2);
    hostB.Open();
    std::string keyB;
    expectCode(hostB, hostB.doForcePR_Reserve(4, 5, 6, keyB),
               kind + ": B's forced reserve takes over from sg_persist's holder");
    agree(kind + ": B took over", a, b, expected({keyNumber("QX040506")}, keyNumber("QX040506")));
    expectCode(hostB, hostB.doForcePR_Clear(4, 5, 6), kind + ": B clears the device");
    agree(kind + ": B cleared", a, b, expected({}, 0));
}

}  // namespace

void reservationsSideBySide(const std::string& a, const std::string& b) {
    story(a, b);
    // A text key is its ASCII bytes to sg_persist; most tools register plain numbers, whose
    // leading bytes are zero.
    madeBySgPersist("text keys", a, b, keyNumber("QX070809"), keyNumber("QX0A0B0C"));
    madeBySgPersist("numeric keys", a, b, 0x1A2B0001, 0x1A2B0002);
}

}  // namespace device
