// TapeDrive: the pass-through object, QXNTSpti, on a tape drive (or any SCSI device), with
// results returned as values, and send() for a CDB of the caller's own.
#include <pybind11/stl.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "Binding.h"
#include "platform/JWS2BaseError.h"
#include "platform/OZScsi.h"
#include "qxscsi/QXNTSpti.h"

namespace qxpy {

namespace {

// Bounds of send(): a CDB of 1 to 16 bytes, at most 16 MiB of data either way.
constexpr std::size_t kMaxCdb = 16;
constexpr std::size_t kMaxData = 16u << 20;
constexpr int kSenseBuffer = 252;
constexpr unsigned long kUnknownPlatformFailure = 40043;

class TapeDrive {
  public:
    explicit TapeDrive(const std::string& path) {
        py::gil_scoped_release released;
        m_drive = std::make_unique<QXNTSpti>(0, path);
    }
    template <typename Work>
    auto run(Work&& work) {
        return m_lock.run([&] { return work(*m_drive); });
    }

  private:
    std::unique_ptr<QXNTSpti> m_drive;
    ObjectLock m_lock;
};

// Fixed-format sense as the device sent it: 8 bytes and the additional length; nothing when the
// device sent none (a RESERVATION CONFLICT, say).
std::string senseBytes(const unsigned char* sense, int available) {
    constexpr unsigned char kCurrent = 0x70;
    constexpr unsigned char kDeferred = 0x71;
    if (sense == nullptr || available < 8 ||
        ((sense[0] & 0x7F) != kCurrent && (sense[0] & 0x7F) != kDeferred)) {
        return std::string();
    }
    const int length = std::min(available, 8 + static_cast<int>(sense[7]));
    return std::string(reinterpret_cast<const char*>(sense), static_cast<std::size_t>(length));
}

// One command with the caller's time limit; the failure, if any, is recorded in the object as
// its own commands record theirs.
std::tuple<int, std::string> sendOne(QXNTSpti& drive, const std::string& cdb, std::string& data,
                                     bool dataOut, int timeout) {
    drive.m_nErrorCode = 0;
    if (drive.m_pTarget == nullptr || !drive.m_pTarget->isOpen()) {
        drive.m_strErrorMsg = "Target has not been opened.";
        return {-1, std::string()};
    }
    unsigned char sense[kSenseBuffer] = {};
    try {
        const int status =
            OZScsi::send(*drive.m_pTarget, cdb.data(), static_cast<int>(cdb.size()),
                         data.empty() ? nullptr : &data[0], static_cast<int>(data.size()), dataOut,
                         false, sense, kSenseBuffer, timeout);
        drive.m_nScsiStatus = status;
        return {status, status == 0 ? std::string() : senseBytes(sense, kSenseBuffer)};
    } catch (const QxScsiException& e) {
        const int status = e.getScsiStatus();
        drive.m_nErrorCode =
            status == -1 ? JWS2BaseError::ConvertSCSIStatusToJWError(status)
                         : JWS2BaseError::ConvertSCSIErrorToJWError(e.key(), e.asc(), e.ascq());
        drive.m_strErrorMsg = e.getMessage() != nullptr ? e.getMessage() : "SCSI Device Failure";
        return {status, senseBytes(e.sense().data(), e.sense().length())};
    } catch (const QxException& e) {
        drive.m_nErrorCode =
            e.getErrno() > 0 ? JWS2BaseError::ConvertToJWError(static_cast<unsigned>(e.getErrno()))
                             : kUnknownPlatformFailure;
        drive.m_strErrorMsg =
            e.getMessage() != nullptr ? e.getMessage() : "Unknown Platform Failure.";
        return {-1, std::string()};
    }
}

using WormTest = int (QXNTSpti::*)(int&);

WormTest wormTest(const std::string& family) {
    if (family == "AIT") {
        return &QXNTSpti::isAITWormCartridge;
    }
    if (family == "LTO") {
        return &QXNTSpti::isLTOWormCartridge;
    }
    if (family == "3592") {
        return &QXNTSpti::is3592WormCartridge;
    }
    if (family == "VOLSAFE") {
        return &QXNTSpti::isSTKVolSafeWormCartridge;
    }
    if (family == "DLT") {
        return &QXNTSpti::isDLTWormCartridge;
    }
    throw py::value_error("unknown drive family '" + family + "': AIT, LTO, 3592, VOLSAFE or DLT");
}

}  // namespace

void bindTapeDrive(py::module_& module) {
    using Drive = QXNTSpti;
    py::class_<TapeDrive>(
        module, "TapeDrive",
        "A tape drive (or any SCSI device) by path, through SCSI pass-through.\n\n"
        "Call is_ok() first. Most commands return ok first: True when the device answered,\n"
        "whatever its SCSI status, which .status then holds (0 GOOD, 2 CHECK CONDITION,\n"
        "24 RESERVATION CONFLICT); False when the command did not reach the device, and\n"
        "last_error() says why. Calls wait for the device without holding the interpreter\n"
        "lock; one object serves one call at a time.")
        .def(py::init<const std::string&>(), py::arg("path"),
             "Opens the device at path (/dev/nstN, /dev/sgN or iscsi://...) for shared access.\n"
             "A device that cannot be opened still gives an object: is_ok() tells.")
        .def(
            "is_ok", [](TapeDrive& t) { return t.run([](Drive& d) { return d.isOK(); }); },
            "Whether the device is open and answers pass-through; last_error() says why not.")
        .def_property_readonly(
            "status", [](TapeDrive& t) { return t.run([](Drive& d) { return d.m_nScsiStatus; }); },
            "SCSI status of the last command the device answered.")
        .def(
            "last_error",
            [](TapeDrive& t) {
                unsigned long code = 0;
                const std::string message = t.run([&](Drive& d) {
                    code = d.m_nErrorCode;
                    return d.m_strErrorMsg;
                });
                return std::make_tuple(code, text(message));
            },
            "(code, message): the platform error code of the last failed command (0 when the\n"
            "last command reached the device) and the text of the last failure.")
        .def(
            "identify",
            [](TapeDrive& t) {
                std::string vendor;
                std::string product;
                const bool ok = t.run([&](Drive& d) {
                    const bool sent = d.Inquiry();
                    vendor = d.m_strVendorId;
                    product = d.m_strProductId;
                    return sent;
                });
                return std::make_tuple(ok, text(vendor), text(product));
            },
            "(ok, vendor, product) from a standard INQUIRY.")
        .def(
            "serial_number",
            [](TapeDrive& t) {
                std::string serial;
                const bool ok = t.run([&](Drive& d) { return d.GetSerialNumber(serial); });
                return std::make_tuple(ok, text(serial));
            },
            "(ok, serial) from the unit serial number page.")
        .def(
            "test_unit_ready",
            [](TapeDrive& t) {
                unsigned char key = 0;
                unsigned char asc = 0;
                unsigned char ascq = 0;
                const bool ok = t.run([&](Drive& d) { return d.TestUnitReady(&key, &asc, &ascq); });
                return std::make_tuple(ok, key, asc, ascq);
            },
            "(ok, sense_key, asc, ascq): TEST UNIT READY; all 0 when the drive is ready.")
        .def(
            "lock",
            [](TapeDrive& t, bool prevent) {
                return t.run([&](Drive& d) { return d.PreventAllow(prevent ? 1 : 0); });
            },
            py::arg("prevent") = true, "PREVENT (True) or ALLOW (False) MEDIUM REMOVAL; ok.")
        .def(
            "reserve_unit",
            [](TapeDrive& t) { return t.run([](Drive& d) { return d.reserveUnit(); }); },
            "RESERVE(6) of the whole unit; ok.")
        .def(
            "release_unit",
            [](TapeDrive& t) { return t.run([](Drive& d) { return d.releaseUnit(); }); },
            "RELEASE(6) of the whole unit; ok.")
        .def(
            "read_position",
            [](TapeDrive& t) {
                int position = -1;
                const int status = t.run([&](Drive& d) { return d.readPosition(position); });
                return std::make_tuple(status, position);
            },
            "(status, block): READ POSITION; status -1 (block -1) when the command failed.")
        .def(
            "space_to_end_of_data",
            [](TapeDrive& t) {
                unsigned long first = 0;
                unsigned long last = 0;
                const bool ok = t.run([&](Drive& d) { return d.SetPositionEOD(first, last); });
                return std::make_tuple(ok, first, last);
            },
            "(ok, first_block, last_block): SPACE to end of data, then READ POSITION.")
        .def(
            "tape_alert_supported",
            [](TapeDrive& t) { return t.run([](Drive& d) { return d.TapeAlertSupported(); }); },
            "Whether the drive has the TapeAlert log page.")
        .def(
            "tape_alert_flags",
            [](TapeDrive& t) {
                std::vector<bool> flags(64);
                const bool ok = t.run([&](Drive& d) { return d.GetTapeAlertFlag(flags); });
                return std::make_tuple(ok, flags);
            },
            "(ok, flags): the 64 TapeAlert flags, flag n at index n-1. Reading them may clear\n"
            "them in the drive.")
        .def(
            "is_worm",
            [](TapeDrive& t, const std::string& family) {
                const WormTest test = wormTest(family);
                int code = 0;
                const int worm = t.run([&](Drive& d) { return (d.*test)(code); });
                return std::make_tuple(worm == 1, code);
            },
            py::arg("family"),
            "(worm, code): whether the loaded cartridge is write-once, by the test of the drive\n"
            "family ('AIT', 'LTO', '3592', 'VOLSAFE' or 'DLT'). False also when the command\n"
            "failed. code is 104 or 106 for the two 3592 WORM media, else 0.")
        .def(
            "convert_to_dlt_worm",
            [](TapeDrive& t) {
                return t.run([](Drive& d) { return d.convertToDLTWormCartridge(0) == 1; });
            },
            "Marks a DLT-family cartridge write-once; whether it reads as WORM afterwards.")
        .def(
            "media_type",
            [](TapeDrive& t) -> std::tuple<bool, py::object> {
                constexpr int kUnknown = -1;
                int type = kUnknown;
                const bool ok = t.run([&](Drive& d) { return d.getMediaType(type); });
                return {ok, type == kUnknown ? py::object(py::none()) : py::object(py::int_(type))};
            },
            "(ok, code): the media type code of the loaded cartridge, for the LTO and DLT\n"
            "drives the library knows; code is None for another drive or an unknown medium.")
        .def(
            "send",
            [](TapeDrive& t, const py::bytes& cdb, const py::object& dataOut, long dataInLength,
               int timeout) {
                const std::string command = cdb;
                if (command.empty() || command.size() > kMaxCdb) {
                    throw py::value_error("a CDB is 1 to 16 bytes");
                }
                const bool out = !dataOut.is_none();
                if (out && !py::isinstance<py::bytes>(dataOut)) {
                    throw py::type_error("data_out must be bytes or None");
                }
                if (out && dataInLength != 0) {
                    throw py::value_error("data goes one way: data_out or data_in_length");
                }
                if (dataInLength < 0 || static_cast<std::size_t>(dataInLength) > kMaxData) {
                    throw py::value_error("data_in_length is 0 to 16 MiB");
                }
                if (timeout <= 0) {
                    throw py::value_error("timeout is a positive number of seconds");
                }
                std::string data = out ? std::string(dataOut.cast<py::bytes>())
                                       : std::string(static_cast<std::size_t>(dataInLength), '\0');
                if (data.size() > kMaxData) {
                    throw py::value_error("data_out is at most 16 MiB");
                }
                const auto result =
                    t.run([&](Drive& d) { return sendOne(d, command, data, out, timeout); });
                return std::make_tuple(std::get<0>(result), py::bytes(std::get<1>(result)),
                                       py::bytes(out ? std::string() : data));
            },
            py::arg("cdb"), py::arg("data_out") = py::none(), py::arg("data_in_length") = 0,
            py::arg("timeout") = 60,
            "(status, sense, data): sends one CDB with timeout seconds to answer.\n\n"
            "data_out is written to the device; or data_in_length bytes are read from it\n"
            "(data is that long, zeros past what the device sent). status is the SCSI status,\n"
            "or -1 when the command got no answer or did not reach the device (last_error()\n"
            "says why). sense is the fixed-format sense data of a status other than GOOD.");
}

}  // namespace qxpy
