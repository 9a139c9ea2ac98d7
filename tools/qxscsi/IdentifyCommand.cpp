// identify: which device is this? INQUIRY, the unit serial number and TapeAlert support.
#include "Commands.h"
#include "DeviceText.h"
#include "Exchange.h"
#include "ExitStatus.h"
#include "Report.h"
#include "TapeCommands.h"
#include "qxscsi/QXNTSpti.h"

namespace qxtool {

namespace {

constexpr unsigned char kTapeAlertPage = 0x2E;
constexpr unsigned char kSerialNumberPage = 0x80;

bool refused(const Answer& answer) {
    return answer.status == kExitIllegalRequest || answer.status == kExitInvalidOpcode;
}

}  // namespace

bool tapeAlertListed(const Answer& supportedPages) {
    // The page list starts at byte 4; replyLength has bounded it by the bytes read.
    for (std::size_t i = 4; i < supportedPages.data.size(); ++i) {
        if (supportedPages.data[i] == kTapeAlertPage) {
            return true;
        }
    }
    return false;
}

Answer readSupportedLogPages(Exchange& exchange) {
    return exchange.send("LOG SENSE (supported pages)", {0x4D, 0, 0x40, 0, 0, 0, 0, 0x01, 0x00, 0},
                         256);
}

void runIdentify(const Invocation& /*invocation*/, Exchange& exchange) {
    Report& report = exchange.report();
    const Answer inquiry = exchange.send("INQUIRY", {0x12, 0, 0, 0, 36, 0}, 36);
    if (!inquiry.good()) {
        report.fail(inquiry.status, inquiry.reason);
        return;
    }
    const std::string vendor = deviceText(inquiry.data, 8, 8);
    const std::string product = deviceText(inquiry.data, 16, 16);
    const std::string revision = deviceText(inquiry.data, 32, 4);

    // A device without the serial number page, or without log pages, still identifies itself.
    const Answer vpd = exchange.send("INQUIRY (unit serial number)",
                                     {0x12, 0x01, kSerialNumberPage, 0, 252, 0}, 252);
    if (!vpd.good() && !refused(vpd)) {
        report.fail(vpd.status, vpd.reason);
        return;
    }
    const bool hasSerial = vpd.good() && vpd.data.size() > 1 && vpd.data[1] == kSerialNumberPage;
    // Some devices right-align the serial number in its field.
    std::string serial = hasSerial ? deviceText(vpd.data, 4, vpd.data.size()) : "";
    const std::size_t first = serial.find_first_not_of(' ');
    serial = first == std::string::npos ? std::string() : serial.substr(first);

    const Answer pages = readSupportedLogPages(exchange);
    if (!pages.good() && !refused(pages)) {
        report.fail(pages.status, pages.reason);
        return;
    }
    const bool tapeAlert = pages.good() && tapeAlertListed(pages);

    report.line("vendor: " + vendor);
    report.line("product: " + product);
    report.line("revision: " + revision);
    report.line("serial: " + (hasSerial ? serial : std::string("none")));
    report.line(std::string("TapeAlert: ") + (tapeAlert ? "yes" : "no"));
    report.set("vendor", JsonValue::string(vendor));
    report.set("product", JsonValue::string(product));
    report.set("revision", JsonValue::string(revision));
    report.set("serial", hasSerial ? JsonValue::string(serial) : JsonValue::null());
    report.set("tapealert", JsonValue::boolean(tapeAlert));
}

}  // namespace qxtool
