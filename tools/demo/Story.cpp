#include "Story.h"

namespace qxdemo {

namespace {

constexpr const char* kInitiatorPrefix = "iqn.2026-12.local.qxscsi:demo-";
constexpr int kToolSeconds = 30;

const char* const kTitles[] = {
    "The tape drive: what it is and where it stands",
    "Host A takes the shared disk with the forced reserve",
    "Host A's I/O passes, host B's is fenced off",
    "Host B takes the disk over by pre-emption",
    "Host B's forced clear leaves the disk free",
};

void require(bool condition, const std::string& reason) {
    if (!condition) {
        throw StepFailed(reason);
    }
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

Story::Story(const DemoOptions& options, const Narrator& narrator)
    : m_options(options),
      m_narrator(narrator),
      m_observer(options.tool, kToolSeconds),
      m_disk(pathFor("observer", options.diskLun)),
      m_tape(pathFor("observer", options.tapeLun)),
      m_a('A', 1, pathFor("host-a", options.diskLun)),
      m_b('B', 2, pathFor("host-b", options.diskLun)) {}

std::string Story::pathFor(const std::string& who, int lun) const {
    return "iscsi://" + m_options.portal + "/" + m_options.target + "/" + std::to_string(lun) +
           "?initiator=" + kInitiatorPrefix + who;
}

int Story::steps() {
    return static_cast<int>(sizeof kTitles / sizeof kTitles[0]);
}

const char* Story::title(int step) {
    return step >= 1 && step <= steps() ? kTitles[step - 1] : "";
}

void Story::introduce() const {
    const Narrator& n = m_narrator;
    n.line("target   " + m_options.target + " at " + m_options.portal);
    n.line("host A   initiator " + std::string(kInitiatorPrefix) +
           "host-a, reservation handle id 1");
    n.line("host B   initiator " + std::string(kInitiatorPrefix) +
           "host-b, reservation handle id 2");
    n.line("observer " + m_options.tool + ", one I_T nexus per run, registers nothing");
    n.line("DISK=" + m_disk);
    n.line("TAPE=" + m_tape);
}

void Story::tell(int step) {
    switch (step) {
        case 1:
            tapeDrive();
            break;
        case 2:
            hostAReserves();
            break;
        case 3:
            readsUnderA();
            break;
        case 4:
            hostBPreempts();
            break;
        case 5:
            hostBClears();
            break;
        default:
            throw StepFailed("there is no step " + std::to_string(step));
    }
}

std::string Story::observe(const std::string& command, const std::string& variable) {
    m_narrator.command("qxscsi " + command + " \"$" + variable + "\"");
    const std::string& path = variable == "DISK" ? m_disk : m_tape;
    const ObservedRun run = m_observer.run({command, path});
    if (run.output.empty() && run.exitStatus == 0) {
        m_narrator.outcome("(no output)");
    }
    m_narrator.output(run.output);
    if (!run.failure.empty()) {
        throw StepFailed(run.failure);
    }
    if (run.timedOut) {
        throw StepFailed("qxscsi " + command + " did not finish within " +
                         std::to_string(m_observer.seconds()) + " s");
    }
    if (run.exitStatus != 0) {
        throw StepFailed("qxscsi " + command + " " +
                         (run.signal != 0 ? "was ended by signal " + std::to_string(run.signal)
                                          : "exited " + std::to_string(run.exitStatus)));
    }
    return run.output;
}

ReadAnswer Story::read(const DemoHost& host) {
    m_narrator.call(host.name(), "READ(10) of LBA 0 through QXNTSpti::SendSCSICmd");
    const ReadAnswer answer = host.read();
    m_narrator.outcome(describe(answer));
    require(answer.completed,
            std::string("host ") + host.name() + "'s read did not complete: " + answer.error);
    return answer;
}

void Story::forcedReserve(DemoHost& host, const std::array<int, 3>& id,
                          const std::string& expectedKey) {
    QXScsiHardDisk& disk = host.handle();
    const std::string who = std::string("host ") + host.name();
    m_narrator.call(host.name(), "disk.doForcePR_Reserve(" + std::to_string(id[0]) + ", " +
                                     std::to_string(id[1]) + ", " + std::to_string(id[2]) +
                                     ", key)");
    std::string key;
    const unsigned long code = disk.doForcePR_Reserve(id[0], id[1], id[2], key);
    m_narrator.showLog();
    std::string message;
    disk.getLastError(message);
    m_narrator.outcome(std::to_string(code) + (code == 0 ? ", key " + key : ": " + message));
    require(code == 0, who + "'s forced reserve returned " + std::to_string(code) + ": " + message);
    require(key == expectedKey, who + "'s key is " + key + ", not " + expectedKey);
}

void Story::tapeDrive() {
    const std::string identity = observe("identify", "TAPE");
    require(contains(identity, "vendor:"), "qxscsi identify showed no vendor");
    observe("position", "TAPE");
}

void Story::hostAReserves() {
    forcedReserve(m_a, {1, 2, 3}, "QX010203");

    const std::string keys = observe("pr-keys", "DISK");
    require(contains(keys, "QX010203"), "qxscsi pr-keys does not show host A's key");
    const std::string holder = observe("pr-reservation", "DISK");
    require(contains(holder, "holder QX010203"), "qxscsi pr-reservation does not show host A");
}

void Story::readsUnderA() {
    require(read(m_a).good(), "host A holds the reservation, yet its read was not GOOD");
    const ReadAnswer b = read(m_b);
    require(b.conflict(), "host B's read was not refused with RESERVATION CONFLICT");
    m_narrator.why(
        "A holds an exclusive-access reservation and B is not registered, so the target refuses "
        "B's I/O");
}

void Story::hostBPreempts() {
    forcedReserve(m_b, {4, 5, 6}, "QX040506");
    const std::string holder = observe("pr-reservation", "DISK");
    require(contains(holder, "holder QX040506"), "qxscsi pr-reservation does not show host B");

    require(read(m_b).good(), "host B holds the reservation now, yet its read was not GOOD");
    ReadAnswer a = read(m_a);
    if (a.unitAttention() && a.asc == 0x2A && a.ascq == 0x03) {
        m_narrator.why(
            "unit attention 6/2A/03, registrations preempted: the target tells A, once, that its "
            "key is gone; A asks again");
        a = read(m_a);
    }
    require(a.conflict(), "host A's read was not refused with RESERVATION CONFLICT");
    m_narrator.why("B pre-empted A's key and holds the reservation: A is fenced off");
}

void Story::hostBClears() {
    QXScsiHardDisk& disk = m_b.handle();
    m_narrator.call('B', "disk.doForcePR_Clear(4, 5, 6)");
    const unsigned long code = disk.doForcePR_Clear(4, 5, 6);
    m_narrator.showLog();
    std::string message;
    disk.getLastError(message);
    m_narrator.outcome(code == 0 ? "0" : std::to_string(code) + ": " + message);
    require(code == 0, "host B's forced clear returned " + std::to_string(code) + ": " + message);
    const std::string keys = observe("pr-keys", "DISK");
    require(keys.empty(), "qxscsi pr-keys still shows a key");
    m_narrator.why("pr-keys prints nothing: no key is registered any more");
    const std::string holder = observe("pr-reservation", "DISK");
    require(contains(holder, "none"), "qxscsi pr-reservation still shows a reservation");
}

}  // namespace qxdemo
