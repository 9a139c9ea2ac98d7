// The forced reserve's cost on a real device, side by side with the other ways to send the same
// commands. Runs in the device stage's virtual machine (scripts/device-vm/) on the LIO disk; the
// guest runs under TCG, so only the ratios carry over to real hardware.
//
//   qxscsi-device-speed DEV
//
// Each round starts from a free device (cleared between rounds, untimed) and takes it with
//   - the library: QXScsiHardDisk::doForcePR_Reserve, one pass-through object per operation;
//   - raw SG_IO, opening and closing the node for each command, as the library does;
//   - the same after listing the tape drives' sysfs folder before each open, as the platform
//     does for each pass-through object, which leaves the library's own work;
//   - raw SG_IO, the same four commands on one open descriptor;
//   - one sg_persist process per step, as fencing scripts do;
// and reads the keys through PR_queryRegKey against one raw READ KEYS. Prints the median of each
// as a SPEED line with its ratio to the library; exits 1 only when a command failed.
#include <dirent.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "qxscsi/QXScsiHardDisk.h"

extern char** environ;

namespace {

const unsigned char kKey[8] = {'Q', 'X', '0', '1', '0', '2', '0', '3'};
const char* const kKeyHex = "0x5158303130323033";
const int kRounds = 100;
const int kProcessRounds = 10;
int g_failures = 0;

enum ServiceAction : unsigned char {
    kReadKeys = 0,
    kReadReservation = 1,
    kReserve = 1,
    kClear = 3,
    kRegisterAndIgnore = 6,
};

// One command through SG_IO on fd; true when the device answered GOOD.
bool sgIo(int fd, unsigned char* cdb, int cdbLength, unsigned char* data, int length,
          bool toDevice) {
    unsigned char sense[32];
    sg_io_hdr_t io;
    std::memset(&io, 0, sizeof io);
    io.interface_id = 'S';
    io.cmdp = cdb;
    io.cmd_len = static_cast<unsigned char>(cdbLength);
    io.dxferp = data;
    io.dxfer_len = static_cast<unsigned int>(length);
    io.dxfer_direction = length == 0 ? SG_DXFER_NONE
                         : toDevice  ? SG_DXFER_TO_DEV
                                     : SG_DXFER_FROM_DEV;
    io.sbp = sense;
    io.mx_sb_len = sizeof sense;
    io.timeout = 60000;
    return ioctl(fd, SG_IO, &io) == 0 && io.status == 0 && io.host_status == 0 &&
           io.driver_status == 0;
}

// Lists the tape drives' sysfs folder, as the platform does for every pass-through object it
// makes (its device list refresh).
void listTapes() {
    DIR* dir = opendir("/sys/class/scsi_tape");
    if (dir != nullptr) {
        while (readdir(dir) != nullptr) {
        }
        closedir(dir);
    }
}

// The node, opened as the library opens it; per command when shared is -1, and then after a
// listing of the tape drives when listsTapes is set.
class Node {
  public:
    Node(const std::string& path, int shared, bool listsTapes = false)
        : m_path(path), m_shared(shared), m_listsTapes(listsTapes) {}
    int acquire() const {
        if (m_shared >= 0) {
            return m_shared;
        }
        if (m_listsTapes) {
            listTapes();
        }
        return open(m_path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    }
    void release(int fd) const {
        if (m_shared < 0 && fd >= 0) {
            close(fd);
        }
    }

    bool in(unsigned char action) const {
        unsigned char cdb[10] = {0x5E, action, 0, 0, 0, 0, 0, 0x01, 0x00, 0};
        unsigned char reply[256];
        const int fd = acquire();
        const bool ok = fd >= 0 && sgIo(fd, cdb, sizeof cdb, reply, sizeof reply, false);
        release(fd);
        return ok;
    }
    // PERSISTENT RESERVE OUT of type Exclusive Access, the key as reservation key or as service
    // action reservation key.
    bool out(unsigned char action, bool keyAsServiceActionKey) const {
        unsigned char cdb[10] = {0x5F, action, 0x03, 0, 0, 0, 0, 0, 24, 0};
        unsigned char list[24] = {};
        std::memcpy(list + (keyAsServiceActionKey ? 8 : 0), kKey, sizeof kKey);
        const int fd = acquire();
        const bool ok = fd >= 0 && sgIo(fd, cdb, sizeof cdb, list, sizeof list, true);
        release(fd);
        return ok;
    }

  private:
    std::string m_path;
    int m_shared;
    bool m_listsTapes;
};

bool rawForcedReserve(const Node& node) {
    return node.in(kReadKeys) && node.out(kRegisterAndIgnore, true) && node.in(kReadReservation) &&
           node.out(kReserve, false);
}

// One program run with its output dropped; true when it exited 0.
bool spawn(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(&w[0]);
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool sgPersistForcedReserve(const std::string& dev) {
    const std::string key = kKeyHex;
    return spawn({"sg_persist", "--no-inquiry", "--in", "--read-keys", dev}) &&
           spawn({"sg_persist", "--no-inquiry", "--out", "--register-ignore", "--param-sark=" + key,
                  dev}) &&
           spawn({"sg_persist", "--no-inquiry", "--in", "--read-reservation", dev}) &&
           spawn({"sg_persist", "--no-inquiry", "--out", "--reserve", "--param-rk=" + key,
                  "--prout-type=3", dev});
}

bool libraryForcedReserve(const std::string& dev) {
    QXScsiHardDisk host(dev, 1);
    host.Open();
    std::string key;
    return host.doForcePR_Reserve(1, 2, 3, key) == 0;
}

bool libraryReadKeys(const std::string& dev) {
    QXScsiHardDisk host(dev, 1);
    host.Open();
    std::vector<std::string> keys;
    return host.PR_queryRegKey(keys) == 0 && keys.size() == 1;
}

// The median time of one call, in milliseconds; reset runs untimed before each call.
struct Way {
    const char* name;
    std::function<bool()> run;
    int rounds;
    // How the way compares: the library's time over this one's, or this one's over the
    // library's for a way that is slower; with the target, if there is one.
    bool slower;
    const char* target;
    std::vector<double> times;
    double median() {
        std::sort(times.begin(), times.end());
        return times.empty() ? 0 : times[times.size() / 2];
    }
};

void measure(std::vector<Way>& ways, const std::function<bool()>& reset) {
    for (int round = 0; round < kRounds; ++round) {
        for (Way& way : ways) {
            if (round >= way.rounds) {
                continue;
            }
            if (!reset()) {
                std::printf("SPEED-FAIL: the device could not be set up for %s\n", way.name);
                ++g_failures;
                return;
            }
            const auto start = std::chrono::steady_clock::now();
            const bool ok = way.run();
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            if (!ok) {
                std::printf("SPEED-FAIL: %s failed\n", way.name);
                ++g_failures;
                return;
            }
            way.times.push_back(took.count());
        }
    }
}

void show(const std::string& dev, const char* what, std::vector<Way>& ways) {
    const double library = ways[0].median();
    std::printf("SPEED %s %s: %s %.3f ms (median of %d)\n", dev.c_str(), what, ways[0].name,
                library, ways[0].rounds);
    for (size_t i = 1; i < ways.size(); ++i) {
        const double t = ways[i].median();
        if (ways[i].slower) {
            std::printf("SPEED %s   %s: %.3f ms (median of %d), %.1fx the library's time%s\n",
                        dev.c_str(), ways[i].name, t, ways[i].rounds, library > 0 ? t / library : 0,
                        ways[i].target);
        } else {
            std::printf("SPEED %s   %s: %.3f ms (median of %d), the library takes %.2fx%s\n",
                        dev.c_str(), ways[i].name, t, ways[i].rounds, t > 0 ? library / t : 0,
                        ways[i].target);
        }
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: qxscsi-device-speed DEV (a disk with persistent reservations)\n");
        return 2;
    }
    const std::string dev = argv[1];
    const int fd = open(dev.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "qxscsi-device-speed: cannot open %s: %s\n", dev.c_str(),
                     std::strerror(errno));
        return 1;
    }
    const Node perCommand(dev, -1);
    const Node perCommandListing(dev, -1, true);
    const Node oneDescriptor(dev, fd);
    // Free: registered under the key (a no-op when it already is), then everything cleared. A
    // unit attention left by earlier work is answered by the first command.
    const auto freeDevice = [&] {
        oneDescriptor.out(kRegisterAndIgnore, true);
        return oneDescriptor.out(kRegisterAndIgnore, true) && oneDescriptor.out(kClear, false);
    };
    // Held by the key, for the read of the keys.
    const auto heldDevice = [&] { return freeDevice() && rawForcedReserve(oneDescriptor); };

    std::vector<Way> reserve = {
        {"library doForcePR_Reserve",
         [&] { return libraryForcedReserve(dev); },
         kRounds,
         false,
         "",
         {}},
        {"raw SG_IO, open per command",
         [&] { return rawForcedReserve(perCommand); },
         kRounds,
         false,
         " (target: at most 1.10x)",
         {}},
        {"raw SG_IO, open per command after listing the tape drives",
         [&] { return rawForcedReserve(perCommandListing); },
         kRounds,
         false,
         " (the library's own work)",
         {}},
        {"raw SG_IO, one descriptor",
         [&] { return rawForcedReserve(oneDescriptor); },
         kRounds,
         false,
         " (the cost of one object per operation)",
         {}},
        {"sg_persist process per step",
         [&] { return sgPersistForcedReserve(dev); },
         kProcessRounds,
         true,
         " (target: at least 20x)",
         {}},
    };
    measure(reserve, freeDevice);
    if (g_failures == 0) {
        show(dev, "forced reserve of a free device, 4 commands", reserve);
    }

    std::vector<Way> readKeys = {
        {"library PR_queryRegKey", [&] { return libraryReadKeys(dev); }, kRounds, false, "", {}},
        {"raw READ KEYS, open per command",
         [&] { return perCommand.in(kReadKeys); },
         kRounds,
         false,
         "",
         {}},
        {"raw READ KEYS, open per command after listing the tape drives",
         [&] { return perCommandListing.in(kReadKeys); },
         kRounds,
         false,
         "",
         {}},
        {"raw READ KEYS, one descriptor",
         [&] { return oneDescriptor.in(kReadKeys); },
         kRounds,
         false,
         "",
         {}},
    };
    measure(readKeys, heldDevice);
    if (g_failures == 0) {
        show(dev, "read keys", readKeys);
    }
    freeDevice();
    close(fd);
    return g_failures == 0 ? 0 : 1;
}
