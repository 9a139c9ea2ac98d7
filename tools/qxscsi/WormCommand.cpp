// worm: is the loaded cartridge write-once? The library's test for the drive's family, which
// the drive's identity names when --family does not.
#include "Commands.h"
#include "DeviceText.h"
#include "ExitStatus.h"
#include "Report.h"
#include "TapeCommands.h"
#include "qxscsi/QXNTSpti.h"

namespace qxtool {

namespace {

constexpr int kReservationConflict = 0x18;

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The command each family's test sends, for the reason when the drive refuses it.
const char* commandOf(const std::string& family) {
    if (family == "volsafe") {
        return "REQUEST SENSE";
    }
    return family == "dlt" ? "READ ATTRIBUTE" : "MODE SENSE(6)";
}

std::string statusName(int status) {
    switch (status) {
        case 0x02:
            return "CHECK CONDITION";
        case 0x08:
            return "BUSY";
        case 0x18:
            return "RESERVATION CONFLICT";
        default:
            return "SCSI status " + std::to_string(status);
    }
}

}  // namespace

std::string wormFamilyOf(QXNTSpti& spti) {
    if ((spti.m_strVendorId.empty() || spti.m_strProductId.empty()) && !spti.Inquiry()) {
        return std::string();
    }
    const std::string& vendor = spti.m_strVendorId;
    const std::string& product = spti.m_strProductId;
    if (vendor == "IBM" &&
        (startsWith(product, "ULT3580-TD") || startsWith(product, "ULTRIUM-TD"))) {
        return "lto";
    }
    if (product.find("DLT") != std::string::npos) {  // SuperDLT, SDLT320, DLT-S4, ...
        return "dlt";
    }
    if (startsWith(product, "SDX")) {
        return "ait";
    }
    if (startsWith(product, "03592")) {
        return "3592";
    }
    return vendor == "STK" ? "volsafe" : std::string();
}

void runWorm(const Invocation& invocation, Exchange& exchange) {
    Report& report = exchange.report();
    QXNTSpti& spti = exchange.spti();
    std::string family = invocation.family;
    if (family.empty()) {
        family = wormFamilyOf(spti);
        if (family.empty() && spti.m_nErrorCode != 0) {
            report.fail(kExitOther, "INQUIRY could not be sent: " + spti.m_strErrorMsg);
            return;
        }
        if (family.empty()) {
            report.fail(kExitSyntax, "the WORM test for " +
                                         printable(spti.m_strVendorId + " " + spti.m_strProductId) +
                                         " is not known: give --family ait|lto|3592|volsafe|dlt");
            return;
        }
    }
    int code = -1;
    int worm = 0;
    if (family == "ait") {
        worm = spti.isAITWormCartridge(code);
    } else if (family == "lto") {
        worm = spti.isLTOWormCartridge(code);
    } else if (family == "3592") {
        worm = spti.is3592WormCartridge(code);
    } else if (family == "volsafe") {
        worm = spti.isSTKVolSafeWormCartridge(code);
    } else {
        worm = spti.isDLTWormCartridge(code);
    }
    report.set("family", JsonValue::string(family));
    // The tests answer 0 for a failed command too; the pass-through object tells them apart.
    if (spti.m_nErrorCode != 0) {
        report.fail(kExitOther,
                    std::string(commandOf(family)) + " could not be sent: " + spti.m_strErrorMsg);
        return;
    }
    if (spti.m_nScsiStatus != 0) {
        report.fail(
            spti.m_nScsiStatus == kReservationConflict ? kExitReservationConflict : kExitOther,
            std::string("the drive refused the ") + family + " WORM test's " + commandOf(family) +
                " (" + statusName(spti.m_nScsiStatus) + ")");
        return;
    }
    report.set("worm", JsonValue::boolean(worm == 1));
    report.set("code", code >= 0 ? JsonValue::number(code) : JsonValue::null());
    std::string text = std::string(worm == 1 ? "WORM" : "not WORM") + " (" + family + " test";
    text += code >= 0 ? ", cartridge code " + std::to_string(code) + ")" : ")";
    report.line(text);
    if (worm != 1) {
        report.answerNo(kExitFalse);
    }
}

}  // namespace qxtool
