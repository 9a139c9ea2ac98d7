// mediatype: the library's media type code for the loaded cartridge, with what it is made of:
// the drive's identification and the medium type byte of the mode parameter header.
#include "Commands.h"
#include "DeviceText.h"
#include "ExitStatus.h"
#include "Report.h"
#include "TapeCommands.h"
#include "qxscsi/QXNTSpti.h"

namespace qxtool {

namespace {

constexpr int kModeSenseLength = 128;
constexpr int kNoCode = -1;

}  // namespace

void runMediaType(const Invocation& /*invocation*/, Exchange& exchange) {
    Report& report = exchange.report();
    QXNTSpti& spti = exchange.spti();
    const Answer header =
        exchange.send("MODE SENSE(6)", {0x1A, 0, 0x00, 0, kModeSenseLength, 0}, kModeSenseLength);
    if (!header.good()) {
        report.fail(header.status, header.reason);
        return;
    }
    if (header.data.size() < 2) {
        report.fail(kExitOther, "MODE SENSE(6) returned no medium type: mode data length " +
                                    std::to_string(header.data.empty() ? 0 : header.data[0]));
        return;
    }
    const unsigned char mediumType = header.data[1];

    int code = kNoCode;
    const bool classified = spti.getMediaType(code);
    if (spti.m_strVendorId.empty() && spti.m_nErrorCode != 0) {
        report.fail(kExitOther, "INQUIRY could not be sent: " + spti.m_strErrorMsg);
        return;
    }
    const std::string drive = printable(spti.m_strVendorId + " " + spti.m_strProductId);
    report.set("code", code != kNoCode ? JsonValue::number(code) : JsonValue::null());
    report.set("vendor", JsonValue::string(spti.m_strVendorId));
    report.set("product", JsonValue::string(spti.m_strProductId));
    report.set("medium_type", JsonValue::number(mediumType));
    report.line("media type code: " + (code != kNoCode ? std::to_string(code) : "none"));
    report.line("drive: " + drive);
    report.line("medium type: " + hexByte(mediumType));
    if (!classified) {
        report.fail(kExitOther, spti.m_nErrorCode != 0
                                    ? "MODE SENSE(6) could not be sent: " + spti.m_strErrorMsg
                                    : spti.m_strErrorMsg);
    }
}

}  // namespace qxtool
