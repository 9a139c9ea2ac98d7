#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "Check.h"
#include "SgUtils.h"
#include "SideBySide.h"
#include "qxscsi/QXNTSpti.h"

namespace device {

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The value after "label:" on the tool's line that holds the label, or "(no <label>)".
std::string field(const std::string& output, const std::string& label) {
    const size_t at = output.find(label + ":");
    if (at == std::string::npos) {
        return "(no " + label + ")";
    }
    const size_t start = at + label.size() + 1;
    return trimmed(output.substr(start, output.find('\n', start) - start));
}

std::string bytesText(const std::vector<unsigned char>& bytes) {
    std::string text;
    char b[4];
    for (const unsigned char c : bytes) {
        // NOLINTNEXTLINE(cert-err33-c): two digits and a blank
        std::snprintf(b, sizeof b, "%02x ", c);
        text += b;
    }
    return text.empty() ? "(none)" : text.substr(0, text.size() - 1);
}

// The mode pages of a MODE SENSE(6) reply of length bytes (header, block descriptors, pages), by
// their first byte's page code; each page bounded by the reply.
std::vector<std::vector<unsigned char>> pagesOf(const unsigned char* reply, int length) {
    std::vector<std::vector<unsigned char>> pages;
    if (length < 4) {
        return pages;
    }
    const int end = std::min(length, reply[0] + 1);
    int at = 4 + reply[3];
    while (at + 2 <= end) {
        const bool subpage = (reply[at] & 0x40) != 0;
        const int size = subpage ? (at + 4 <= end ? (reply[at + 2] << 8 | reply[at + 3]) + 4 : end)
                                 : reply[at + 1] + 2;
        const int stop = std::min(end, at + size);
        pages.emplace_back(reply + at, reply + stop);
        at = stop;
    }
    return pages;
}

// sg_modes -R prints the page alone, a byte per line in hex.
bool parsePageBytes(const std::string& output, std::vector<unsigned char>& page) {
    std::istringstream lines(output);
    std::string line;
    page.clear();
    while (std::getline(lines, line)) {
        char* end = nullptr;
        const unsigned long b = std::strtoul(line.c_str(), &end, 16);
        if (line.size() != 2 || end != line.c_str() + 2 || b > 0xFF) {
            return false;
        }
        page.push_back(static_cast<unsigned char>(b));
    }
    return !page.empty();
}

}  // namespace

void tapeSideBySide(const std::string& dev) {
    // A tape node has one opener at a time: each library object is gone before a tool runs.
    std::string vendor, product, serial = "(not read)", ready;
    unsigned char reply[255] = {};
    int replyLength = 0;
    {
        QXNTSpti s(0, dev);
        CHECK(s.isOK(), dev + ": the library opens the drive", s.m_strErrorMsg);
        settle(s);
        unsigned char key = 0xEE, asc = 0xEE, ascq = 0xEE;
        ready = s.TestUnitReady(&key, &asc, &ascq) && s.m_nScsiStatus == 0 ? "ready" : "not ready";
        if (s.Inquiry()) {
            vendor = s.m_strVendorId;
            product = s.m_strProductId;
        }
        s.GetSerialNumber(serial);
        if (s.doModeSense(reply, sizeof reply, 0x3F) && s.m_nScsiStatus == 0) {
            replyLength = reply[0] + 1;
        }
        // A command the drive does not know: ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE.
        unsigned char unknown[6] = {0xFF, 0, 0, 0, 0, 0};
        CHECK(s.SendSCSICmd(unknown, 6, nullptr, 0, &key, &asc, &ascq, 1800, 0) &&
                  s.m_nScsiStatus == 2 && (key & 0x0F) == 0x05 && asc == 0x20,
              dev + ": an unknown command gives CHECK CONDITION 5/20", describe(s));
    }

    const ToolRun inq = runTool("sg_inq " + dev, true);
    const std::string toolVendor = field(inq.output, "Vendor identification");
    const std::string toolProduct = field(inq.output, "Product identification");
    CHECK(inq.exitStatus == 0 && toolVendor == vendor && toolProduct == product && !vendor.empty(),
          dev + ": sg_inq reads the identification the library reads",
          "library '" + vendor + "' '" + product + "'; sg_inq '" + toolVendor + "' '" +
              toolProduct + "' (exit " + std::to_string(inq.exitStatus) + ")");

    const ToolRun vpd = runTool("sg_vpd --page=sn " + dev, true);
    const std::string toolSerial = field(vpd.output, "Unit serial number");
    CHECK(vpd.exitStatus == 0 && toolSerial == serial,
          dev + ": sg_vpd --page=sn reads the serial number the library reads",
          "library '" + serial + "'; sg_vpd '" + toolSerial + "' (exit " +
              std::to_string(vpd.exitStatus) + ")");

    const ToolRun turs = runTool("sg_turs " + dev, true);
    const std::string toolReady = turs.exitStatus == 0 ? "ready" : "not ready";
    CHECK(toolReady == ready, dev + ": sg_turs finds the drive as the library does",
          "library " + ready + "; sg_turs " + toolReady + " (exit " +
              std::to_string(turs.exitStatus) + ")");

    const std::vector<std::vector<unsigned char>> pages = pagesOf(reply, replyLength);
    CHECK(!pages.empty(), dev + ": the library's MODE SENSE(6) lists the drive's pages",
          std::to_string(pages.size()) + " pages in " + std::to_string(replyLength) + " bytes");
    for (const std::vector<unsigned char>& all : pages) {
        const int code = all[0] & 0x3F;
        // The page alone, as the library reads it when asked for that page.
        unsigned char one[255] = {};
        std::vector<unsigned char> library;
        {
            QXNTSpti s(0, dev);
            if (s.isOK() && s.doModeSense(one, sizeof one, code) && s.m_nScsiStatus == 0) {
                const std::vector<std::vector<unsigned char>> got = pagesOf(one, one[0] + 1);
                if (!got.empty()) {
                    library = got[0];
                }
            }
        }
        char page[8];
        // NOLINTNEXTLINE(cert-err33-c): four characters
        std::snprintf(page, sizeof page, "0x%02x", code);
        const ToolRun modes =
            runTool(std::string("sg_modes -6 -R --page=") + page + " " + dev, true);
        std::vector<unsigned char> tool;
        const bool parsed = modes.exitStatus == 0 && parsePageBytes(modes.output, tool);
        CHECK(parsed && tool == library && !library.empty(),
              dev + ": sg_modes -6 reads mode page " + page + " as the library does",
              "library " + bytesText(library) + "; sg_modes " +
                  (parsed ? bytesText(tool)
                          : "exit " + std::to_string(modes.exitStatus) + ": " + modes.output));
    }
}

}  // namespace device
