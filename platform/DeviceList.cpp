#include "platform/DeviceList.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>

namespace oz {
namespace {

const char kScsiHostFolder[] = "/sys/class/scsi_host";

// "<prefix><digits>", nothing else.
bool isNumberedName(const char* name, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (std::strncmp(name, prefix, n) != 0 || name[n] == '\0') {
        return false;
    }
    for (const char* p = name + n; *p != '\0'; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) {
            return false;
        }
    }
    return true;
}

bool countsAsDevice(const char* name, DeviceClass kind) {
    switch (kind) {
        case DeviceClass::kDisk:
            return name[0] != '.';
        case DeviceClass::kTape:
            return isNumberedName(name, "st");
        case DeviceClass::kGeneric:
            return isNumberedName(name, "sg");
    }
    return false;
}

}  // namespace

const char* deviceClassFolder(DeviceClass kind) {
    switch (kind) {
        case DeviceClass::kDisk:
            return "/sys/class/scsi_disk";
        case DeviceClass::kTape:
            return "/sys/class/scsi_tape";
        case DeviceClass::kGeneric:
            break;
    }
    return "/sys/class/scsi_generic";
}

int countDevices(const char* folder, DeviceClass kind) {
    // Every pass-through object counts on construction, so the count reads the entries straight
    // into a buffer on the stack: one open, the reads and a close, no directory stream.
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    alignas(dirent64) char buffer[4096];
    int count = 0;
    ssize_t length = 0;
    while ((length = ::getdents64(fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < length;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            if (entry->d_reclen == 0) {
                break;
            }
            if (countsAsDevice(entry->d_name, kind)) {
                ++count;
            }
            at += entry->d_reclen;
        }
    }
    ::close(fd);
    return count;
}

void rescanScsiHosts() {
    DIR* dir = ::opendir(kScsiHostFolder);
    if (dir == nullptr) {
        return;
    }
    static const char kAll[] = "- - -";  // every channel, target and LUN
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        const std::string scan = std::string(kScsiHostFolder) + "/" + entry->d_name + "/scan";
        const int fd = ::open(scan.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            const ssize_t written = ::write(fd, kAll, sizeof kAll - 1);
            static_cast<void>(written);
            ::close(fd);
        }
    }
    ::closedir(dir);
}

}  // namespace oz
