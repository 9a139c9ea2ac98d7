// HardDisk: the reservation handle, QXScsiHardDisk, with results returned as values.
#include <pybind11/stl.h>

#include <string>
#include <tuple>
#include <vector>

#include "Binding.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace qxpy {

namespace {

using Code = unsigned long;

const char* outcomeName(QXScsiHardDisk::PR_FORCE_OUTCOME outcome) {
    switch (outcome) {
        case QXScsiHardDisk::PR_FORCE_RESERVED:
            return "reserved";
        case QXScsiHardDisk::PR_FORCE_ALREADY_HELD:
            return "already held";
        case QXScsiHardDisk::PR_FORCE_PREEMPTED:
            return "pre-empted";
        case QXScsiHardDisk::PR_FORCE_TAKEN_OVER:
            return "taken over";
        default:
            return "none";
    }
}

class HardDisk {
  public:
    HardDisk(const std::string& path, long long id) : m_disk(path, id) {}

    template <typename Work>
    auto run(Work&& work) {
        return m_lock.run([&] { return work(m_disk); });
    }
    QXScsiHardDisk::PR_FORCE_OUTCOME m_outcome = QXScsiHardDisk::PR_FORCE_NONE;

  private:
    QXScsiHardDisk m_disk;
    ObjectLock m_lock;
};

py::bytes bytesOf(const std::string& s) {
    return py::bytes(s);
}

}  // namespace

void bindHardDisk(py::module_& module) {
    py::enum_<QXScsiHardDisk::_PR_CLS_OP>(module, "ClearOperation", "What HardDisk.clear does.")
        .value("PR_CLS_RELEASE", QXScsiHardDisk::PR_CLS_RELEASE)
        .value("PR_CLS_CLEAR", QXScsiHardDisk::PR_CLS_CLEAR)
        .value("PR_CLS_PREEMPT", QXScsiHardDisk::PR_CLS_PREEMPT)
        .export_values();

    py::class_<HardDisk>(module, "HardDisk",
                         "A shared disk (or any device with persistent reservations), by path.\n\n"
                         "Each operation opens the device for its own duration and returns its\n"
                         "code first: 0, or one of PR_ERR_*; last_error() gives the code and\n"
                         "text of the last failure. Device failures never raise. Calls wait for\n"
                         "the device without holding the interpreter lock; one object serves one\n"
                         "call at a time, whichever thread makes it.")
        .def(py::init<const std::string&, long long>(), py::arg("path"), py::arg("handle_id"),
             "A handle on the device at path (/dev/sdX, /dev/sgN or iscsi://...); handle_id\n"
             "names it to the log callback. Call open() before the reservation operations.")
        .def(
            "open", [](HardDisk& d) { return d.run([](QXScsiHardDisk& h) { return h.Open(); }); },
            "Makes the handle ready for the reservation operations; True.")
        .def(
            "close", [](HardDisk& d) { return d.run([](QXScsiHardDisk& h) { return h.Close(); }); },
            "Forgets the last error's text (its code stays); True.")
        .def(
            "is_valid",
            [](HardDisk& d) { return d.run([](QXScsiHardDisk& h) { return h.isValid(); }); },
            "Whether open() was called.")
        .def(
            "last_error",
            [](HardDisk& d) {
                std::string message;
                const Code code = d.run([&](QXScsiHardDisk& h) { return h.getLastError(message); });
                return std::make_tuple(code, text(message));
            },
            "(code, message) of the last failure; code is 0 after a success, which keeps the\n"
            "message of the failure before.")
        .def_property(
            "snapshot_keys",
            [](HardDisk& d) {
                return d.run([](QXScsiHardDisk& h) { return h.m_bSnapReservationKey; });
            },
            [](HardDisk& d, bool on) {
                d.run([on](QXScsiHardDisk& h) { h.m_bSnapReservationKey = on; });
            },
            "Whether force_reserve and force_clear build the snapshot key form (SM...).")
        .def_property_readonly(
            "path",
            [](HardDisk& d) {
                return text(d.run([](QXScsiHardDisk& h) { return h.m_strDevicePath; }));
            },
            "The device path.")
        // ---- workflows ----
        .def(
            "force_reserve",
            [](HardDisk& d, int a, int b, int c) {
                std::string key;
                const Code code = d.run([&](QXScsiHardDisk& h) {
                    return h.doForcePR_Reserve(a, b, c, key, d.m_outcome);
                });
                return std::make_tuple(code, bytesOf(key));
            },
            py::arg("a"), py::arg("b"), py::arg("c"),
            "Makes this host the holder, whatever state the device is in: builds the host key\n"
            "of a, b, c, registers it when the device does not know it, then reserves a free\n"
            "device, pre-empts another holder or keeps this host's reservation.\n"
            "Returns (code, key); force_reserve_outcome() tells which way it went.")
        .def(
            "force_reserve_outcome",
            [](HardDisk& d) {
                return std::string(
                    outcomeName(d.run([&](QXScsiHardDisk&) { return d.m_outcome; })));
            },
            "What the last force_reserve did: 'reserved', 'already held', 'pre-empted',\n"
            "'taken over' (this host's key held the device through another connection of this\n"
            "host), or 'none' after a failure or before any.")
        .def(
            "force_clear",
            [](HardDisk& d, int a, int b, int c) {
                return d.run([&](QXScsiHardDisk& h) { return h.doForcePR_Clear(a, b, c); });
            },
            py::arg("a"), py::arg("b"), py::arg("c"),
            "Registers the host key of a, b, c, then clears the reservation and every\n"
            "registration on the device. Returns the code.")
        .def(
            "release",
            [](HardDisk& d, const py::bytes& key) {
                const std::string k = key;
                return d.run([&](QXScsiHardDisk& h) { return h.doPR_Release(k); });
            },
            py::arg("key"),
            "Releases the reservation held under key (as force_reserve returned it); the\n"
            "registrations stay. Returns the code.")
        // ---- single commands ----
        .def(
            "register",
            [](HardDisk& d, const py::bytes& key, bool ignoreExisting) {
                const std::string k = key;
                return d.run([&](QXScsiHardDisk& h) { return h.PR_register(k, ignoreExisting); });
            },
            py::arg("key"), py::arg("ignore_existing") = true,
            "Registers key for this host (REGISTER AND IGNORE EXISTING KEY, or REGISTER when\n"
            "ignore_existing is False). Returns the code.")
        .def(
            "reserve",
            [](HardDisk& d, const py::bytes& key) {
                const std::string k = key;
                return d.run([&](QXScsiHardDisk& h) { return h.PR_reserve(k); });
            },
            py::arg("key"), "Reserves the device, Exclusive Access, under key. Returns the code.")
        .def(
            "clear",
            [](HardDisk& d, const py::bytes& key, QXScsiHardDisk::_PR_CLS_OP operation,
               const py::bytes& serviceActionKey) {
                const std::string k = key;
                const std::string s = serviceActionKey;
                return d.run([&](QXScsiHardDisk& h) { return h.PR_clear(k, s, operation); });
            },
            py::arg("key"), py::arg("operation") = QXScsiHardDisk::PR_CLS_CLEAR,
            py::arg("service_action_key") = py::bytes(),
            "PR_CLS_RELEASE, PR_CLS_CLEAR (the default) or PR_CLS_PREEMPT under key;\n"
            "service_action_key is the holder a pre-emption removes. Returns the code.")
        .def(
            "read_keys",
            [](HardDisk& d) {
                std::vector<std::string> keys;
                const Code code = d.run([&](QXScsiHardDisk& h) { return h.PR_queryRegKey(keys); });
                py::list list;
                for (const std::string& k : keys) {
                    list.append(bytesOf(k));
                }
                return std::make_tuple(code, list);
            },
            "(code, keys): the registered keys, as bytes.")
        .def(
            "read_reservation",
            [](HardDisk& d) {
                std::string holder;
                unsigned long type = 0;
                const Code code =
                    d.run([&](QXScsiHardDisk& h) { return h.PR_queryRsrv(holder, type); });
                return std::make_tuple(code, bytesOf(holder), type);
            },
            "(code, holder, type): the holder's key (b'' when nothing is reserved) and the\n"
            "scope and type byte (3: Exclusive Access).");

    module.def(
        "make_key",
        [](int a, int b, int c) {
            std::string key;
            QXScsiHardDisk(-1).makeReservationKey(a, b, c, key);
            return bytesOf(key);
        },
        py::arg("a"), py::arg("b"), py::arg("c"),
        "The host key b'QX' + a, b, c as two digits each.");
    module.def(
        "make_snapshot_key",
        [](int a, int b) {
            std::string key;
            QXScsiHardDisk(-1).makeSnapReservationKey(a, b, key);
            return bytesOf(key);
        },
        py::arg("a"), py::arg("b"), "The snapshot key b'SM' + a, b as three digits each.");
}

}  // namespace qxpy
