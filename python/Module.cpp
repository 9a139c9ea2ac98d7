// The Python module qxscsi: the reservation handle as HardDisk, the pass-through object as
// TapeDrive, the flat functions, the handle's codes and the log callback.
#include "Binding.h"
#include "platform/QxException.h"
#include "qxscsi/QXScsiHardDisk.h"
#include "qxscsi/QXScsiText.h"
#include "qxscsi/version.h"

PYBIND11_MODULE(qxscsi, module) {
    namespace py = pybind11;
    module.doc() =
        "SCSI-3 persistent reservations on shared disks and tape drive control, over Linux\n"
        "SG_IO (/dev paths) or iSCSI "
        "(iscsi://host[:port]/<target-iqn>/<lun>[?initiator=<iqn>]).\n\n"
        "  disk = qxscsi.HardDisk('iscsi://192.0.2.1/iqn.2026-12.example:disks/1', 1)\n"
        "  disk.open()\n"
        "  code, key = disk.force_reserve(1, 2, 3)   # code 0: this host holds the disk\n"
        "  print(disk.force_reserve_outcome(), key)\n"
        "  disk.release(key)\n\n"
        "Results are values, the library's code first; device failures never raise, and\n"
        "last_error() gives the code and text of the last one. Arguments of the wrong type\n"
        "raise TypeError. Calls that talk to a device let other Python threads run.";
    module.attr("__version__") = QXSCSI_VERSION_STRING;

    // The handle's codes.
    module.attr("PR_SUCCESS") = static_cast<unsigned long>(QXScsiHardDisk::PR_SUCCESS);
    module.attr("PR_ERR_ACCESS") = static_cast<unsigned long>(QXScsiHardDisk::PR_ERR_ACCESS);
    module.attr("PR_ERR_PASSTHRU") = static_cast<unsigned long>(QXScsiHardDisk::PR_ERR_PASSTHRU);
    module.attr("PR_ERR_CONFLICT") = static_cast<unsigned long>(QXScsiHardDisk::PR_ERR_CONFLICT);
    module.attr("PR_ERR_PROUT") = static_cast<unsigned long>(QXScsiHardDisk::PR_ERR_PROUT);
    module.attr("PR_ERR_EXCEPTION") = static_cast<unsigned long>(QXScsiHardDisk::PR_ERR_EXCEPTION);

    // The platform throws only where a device object is made; its failure is an OSError.
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) {
                std::rethrow_exception(thrown);
            }
        } catch (const QxException& e) {
            const std::string message = std::string("platform failure: ") +
                                        (e.getMessage() != nullptr ? e.getMessage() : "no message");
            PyErr_SetObject(PyExc_OSError,
                            py::make_tuple(e.getErrno() > 0 ? e.getErrno() : 0, message).ptr());
        }
    });

    module.def(
        "display_key", [](const py::bytes& key) { return qxpy::text(displayReservationKey(key)); },
        py::arg("key"),
        "A key as the library's messages show it: printable ASCII as it is, any other key as\n"
        "'0x' and the 16 hex digits of its 8-byte field.");
    module.def(
        "masked_path", [](const std::string& path) { return qxpy::text(maskedDevicePath(path)); },
        py::arg("path"), "A device path with the password of an iscsi:// path shown as ***.");

    qxpy::bindLogCallback(module);
    qxpy::bindHardDisk(module);
    qxpy::bindTapeDrive(module);
    qxpy::bindFlatFunctions(module);
}
