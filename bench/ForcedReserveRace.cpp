#include "bench/ForcedReserveRace.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>

#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace race {
namespace {

constexpr int kGood = 0x00;
constexpr int kConflict = 0x18;
constexpr unsigned long kExclusiveAccess = 3;
// The key fields of doForcePR_Reserve for host h: "QX" "09" then h in two fields.
constexpr int kKeyFirst = 9;

using Clock = std::chrono::steady_clock;

std::string path(const Settings& s, int lun, const std::string& host) {
    return "iscsi://" + s.portal + "/" + s.target + "/" + std::to_string(lun) +
           "?initiator=" + s.initiatorPrefix + host;
}

std::string hostName(int h) {
    return "host-" + std::to_string(h);
}

std::string hostKey(int h) {
    char key[32];
    // NOLINTNEXTLINE(cert-err33-c): fits
    std::snprintf(key, sizeof key, "QX%.2d%.2d%.2d", kKeyFirst, h / 100, h % 100);
    return key;
}

// Writes all of text to fd; false when the reader is gone.
bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads fd up to a line "end" or the deadline; false when neither came in time.
bool readReport(int fd, Clock::time_point deadline, std::string& text) {
    char buffer[4096];
    while (text.size() < 4 || text.compare(text.size() - 4, 4, "end\n") != 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p = {fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000))) < 0) {
            if (left <= 0 || errno != EINTR) {
                return false;
            }
            continue;
        }
        if ((p.revents & (POLLIN | POLLHUP)) == 0) {
            continue;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

// READ(10) of block 0 by a host, past the unit attentions that other hosts' pre-emptions queued:
// its status, or -1 when it did not reach the device.
int readBlockZero(const std::string& devicePath) {
    QXNTSpti spti(0, devicePath);
    unsigned char cdb[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    unsigned char block[512];
    int status = 2;
    for (int attempt = 0; attempt < 4 && status == 2; ++attempt) {
        status =
            spti.isOK() && spti.SendSCSICmd(cdb, 10, block, 512, nullptr, nullptr, nullptr, 30, 0)
                ? spti.m_nScsiStatus
                : -1;
    }
    return status;
}

// One host's life: the rounds, its report ("t <ms> <code>" per call), then on the word "read"
// from the parent a READ of every disk ("r <lun> <status>").
[[noreturn]] void host(const Settings& s, int h, int report, int orders) {
    std::vector<std::unique_ptr<QXScsiHardDisk>> disks;
    for (const int lun : s.luns) {
        disks.push_back(std::make_unique<QXScsiHardDisk>(path(s, lun, hostName(h)), h));
        disks.back()->Open();
    }
    std::minstd_rand pick(static_cast<unsigned>(h) + 1);
    const std::size_t n = s.luns.size();
    std::ostringstream out;
    for (int round = 0; round < s.rounds; ++round) {
        // Every disk in turn first, so that each is raced whatever the count; then at random.
        const std::size_t d = static_cast<std::size_t>(round) < n
                                  ? (static_cast<std::size_t>(h) + round) % n
                                  : pick() % n;
        std::string key;
        const Clock::time_point start = Clock::now();
        const unsigned long code = disks[d]->doForcePR_Reserve(kKeyFirst, h / 100, h % 100, key);
        const std::chrono::duration<double, std::milli> took = Clock::now() - start;
        out << "t " << took.count() << " " << code << "\n";
    }
    out << "end\n";
    bool ok = writeAll(report, out.str());
    char word[8] = {};
    ok = ok && ::read(orders, word, 5) == 5;
    if (ok) {
        std::ostringstream reads;
        for (const int lun : s.luns) {
            reads << "r " << lun << " " << readBlockZero(path(s, lun, hostName(h))) << "\n";
        }
        reads << "end\n";
        writeAll(report, reads.str());
    }
    // Nothing of the parent's (its unwritten output, its exit handlers) runs here.
    ::_exit(ok ? 0 : 1);
}

struct Child {
    pid_t pid = -1;
    int report = -1;  // read end
    int orders = -1;  // write end
};

void clearDisks(const Settings& s, Result& r) {
    for (const int lun : s.luns) {
        QXScsiHardDisk clearer(path(s, lun, "clearer"), 0);
        clearer.Open();
        if (clearer.doForcePR_Clear(9, 99, 99) != 0) {
            std::string message;
            clearer.getLastError(message);
            r.problems.push_back("LUN " + std::to_string(lun) + ": cannot clear: " + message);
        }
    }
}

// What the race left on each disk, against what every host's READ met.
void checkDisks(const Settings& s, const std::vector<std::map<int, int>>& reads, Result& r) {
    for (const int lun : s.luns) {
        const std::string where = "LUN " + std::to_string(lun) + ": ";
        QXNTSpti observer(0, path(s, lun, "observer"));
        std::vector<std::string> keys;
        std::string holder;
        unsigned long type = 0;
        if (!observer.isOK() || !observer.QueryReg(keys) || !observer.QueryReserve(holder, type)) {
            r.problems.push_back(where + "cannot read its state: " + observer.m_strErrorMsg);
            continue;
        }
        if (type != kExclusiveAccess || holder.empty()) {
            r.problems.push_back(where + "no Exclusive Access reservation (type " +
                                 std::to_string(type) + ")");
        }
        if (std::find(keys.begin(), keys.end(), holder) == keys.end()) {
            r.problems.push_back(where + "the holder's key " + holder + " is not registered");
        }
        int holders = 0;
        for (int h = 0; h < s.hosts; ++h) {
            const bool holds = hostKey(h) == holder;
            holders += holds ? 1 : 0;
            const auto read = reads[static_cast<std::size_t>(h)].find(lun);
            const int status = read != reads[static_cast<std::size_t>(h)].end() ? read->second : -2;
            if (status != (holds ? kGood : kConflict)) {
                r.problems.push_back(where + hostName(h) + (holds ? " (the holder)" : "") +
                                     "'s READ got status " + std::to_string(status));
            }
        }
        if (holders != 1) {
            r.problems.push_back(where + "held under " + holder + ", no racing host's key");
        }
    }
}

}  // namespace

bool lostRaceCode(unsigned long code) {
    return code == 0 || code == 45002 || code == 764 || code == 45001;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t at =
        static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

Result run(const Settings& s) {
    Result r;
    clearDisks(s, r);
    if (!r.problems.empty()) {
        return r;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(s.limitSeconds);
    // Output the parent has not written yet would otherwise be written by every host as well.
    std::fflush(nullptr);
    std::vector<Child> children;
    for (int h = 0; h < s.hosts; ++h) {
        int report[2];
        int orders[2];
        if (::pipe2(report, O_CLOEXEC) != 0 || ::pipe2(orders, O_CLOEXEC) != 0) {
            r.problems.push_back("cannot make pipes");
            break;
        }
        Child c;
        c.pid = ::fork();
        if (c.pid == 0) {
            ::close(report[0]);
            ::close(orders[1]);
            for (const Child& other : children) {
                ::close(other.report);
                ::close(other.orders);
            }
            host(s, h, report[1], orders[0]);
        }
        ::close(report[1]);
        ::close(orders[0]);
        c.report = report[0];
        c.orders = orders[1];
        children.push_back(c);
        if (c.pid < 0) {
            r.problems.push_back("cannot fork");
            break;
        }
    }
    // The rounds.
    for (std::size_t h = 0; h < children.size() && r.problems.empty(); ++h) {
        std::string text;
        if (!readReport(children[h].report, deadline, text)) {
            r.problems.push_back(hostName(static_cast<int>(h)) + " did not finish its rounds");
            break;
        }
        std::istringstream in(text);
        std::string tag;
        double ms = 0;
        unsigned long code = 0;
        while (in >> tag && tag == "t" && in >> ms >> code) {
            r.milliseconds.push_back(ms);
            ++r.codes[code];
        }
    }
    // Each host reads every disk while all of them are still alive, so that every nexus stands.
    std::vector<std::map<int, int>> reads(children.size());
    if (r.problems.empty()) {
        for (const Child& c : children) {
            writeAll(c.orders, "read\n");
        }
        for (std::size_t h = 0; h < children.size(); ++h) {
            std::string text;
            if (!readReport(children[h].report, deadline, text)) {
                r.problems.push_back(hostName(static_cast<int>(h)) + " did not read the disks");
                continue;
            }
            std::istringstream in(text);
            std::string tag;
            int lun = 0;
            int status = 0;
            while (in >> tag && tag == "r" && in >> lun >> status) {
                reads[h][lun] = status;
            }
        }
        if (r.problems.empty()) {
            checkDisks(s, reads, r);
        }
    }
    for (const Child& c : children) {
        ::close(c.orders);
        ::close(c.report);
        if (c.pid > 0) {
            if (!r.problems.empty()) {
                ::kill(c.pid, SIGKILL);
            }
            int status = 0;
            ::waitpid(c.pid, &status, 0);
        }
    }
    clearDisks(s, r);
    return r;
}

}  // namespace race
