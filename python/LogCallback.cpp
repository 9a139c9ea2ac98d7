// set_log_callback: the library's messages to a Python callable.
//
// The library knows one process-wide C callback. The module installs its own once and keeps the
// Python callable beside it, read and changed only under the interpreter lock. A message arrives
// on the thread of the operation that logs, which has given the interpreter up; the callback
// takes it back for the call. An exception the callable raises is reported as Python reports an
// unraisable one and goes no further.
#include <Python.h>

#include <atomic>
#include <string>

#include "Binding.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace qxpy {

namespace {

// Whether a callable is installed; read before the interpreter lock is taken, so that messages
// cost nothing while none is.
std::atomic<bool> g_active{false};
// The callable, or null. Guarded by the interpreter lock; a raw reference, so that nothing is
// left to release after the interpreter has gone.
PyObject* g_callable = nullptr;

void deliver(int level, const long long& id, const std::string& message) {
    if (!g_active.load() || !Py_IsInitialized()) {
        return;
    }
    py::gil_scoped_acquire held;
    if (g_callable == nullptr) {
        return;
    }
    try {
        const auto callable = py::reinterpret_borrow<py::object>(g_callable);
        callable(level, id, text(message));
    } catch (py::error_already_set& e) {
        e.discard_as_unraisable("qxscsi log callback");
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_RuntimeError, e.what());
        PyErr_WriteUnraisable(nullptr);
    }
}

void replace(PyObject* callable) {
    Py_XINCREF(callable);
    PyObject* old = g_callable;
    g_callable = callable;
    g_active.store(callable != nullptr);
    Py_XDECREF(old);
}

}  // namespace

py::str text(const std::string& bytes) {
    PyObject* decoded =
        PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "replace");
    if (decoded == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::str>(decoded);
}

void bindLogCallback(py::module_& module) {
    module.def(
        "set_log_callback",
        [](const py::object& callable) {
            if (!callable.is_none() && !PyCallable_Check(callable.ptr())) {
                throw py::type_error("set_log_callback takes a callable or None");
            }
            // The library reads its pointer unguarded: it is written once, here, and keeps
            // pointing at deliver; only the callable behind it changes.
            if (QXScsiHardDisk::m_gpLogMessageCallbackFunc != deliver) {
                QXScsiHardDisk::m_gpLogMessageCallbackFunc = deliver;
            }
            replace(callable.is_none() ? nullptr : callable.ptr());
        },
        py::arg("callback"),
        "Sends the library's messages to callback(level, handle_id, text), or drops them "
        "(None).\n\n"
        "level is 1 for failures and outcomes, 3 for the entry trace of each reservation\n"
        "operation; handle_id is the HardDisk's (-1 for the flat functions). The callback runs\n"
        "on the thread of the call that logs, while that call runs; it must not call the object\n"
        "that logs. An exception it raises is reported as an unraisable exception and ignored.\n"
        "Install it before working with devices from several threads.");
    // Messages stop before the interpreter goes away.
    module.def("_stop_logging", [] { replace(nullptr); });
    py::module_::import("atexit").attr("register")(module.attr("_stop_logging"));
}

}  // namespace qxpy
