#include <string>

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

}  // namespace

void tapeSideBySide(const std::string& dev) {
    // A tape node has one opener at a time: each library object is gone before a tool runs.
    std::string vendor, product, serial = "(not read)", ready;
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
}

}  // namespace device
