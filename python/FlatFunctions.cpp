// The flat functions, with Python's bytes and str in place of the caller's buffers.
#include <cstring>
#include <string>
#include <tuple>

#include "Binding.h"
#include "qxscsi/QXScsiFlat.h"

namespace qxpy {

namespace {

// Room for any key (8 bytes) and any message the functions write.
constexpr int kKeyBuffer = 64;
constexpr int kErrorBuffer = 2048;

std::string fromBuffer(const char* buffer, int size) {
    return std::string(buffer, strnlen(buffer, static_cast<std::size_t>(size)));
}

}  // namespace

void bindFlatFunctions(py::module_& module) {
    module.def(
        "func_pr_query_qx_reg_key",
        [](const std::string& path) {
            char key[kKeyBuffer] = {};
            char error[kErrorBuffer] = {};
            int found = 0;
            unsigned long code = 0;
            {
                py::gil_scoped_release released;
                code = FuncPR_queryQXRegKey(path.c_str(), key, kKeyBuffer, error, kErrorBuffer,
                                            &found);
            }
            return std::make_tuple(
                code, found != 0 ? py::object(py::bytes(fromBuffer(key, kKeyBuffer))) : py::none(),
                text(fromBuffer(error, kErrorBuffer)));
        },
        py::arg("path"),
        "(code, key, error): the first registered key on the device that begins with b'QX'\n"
        "(None when there is none) and the error text of a failure.");
    module.def(
        "func_make_reservation_key",
        [](int a, int b, int c) {
            char key[kKeyBuffer] = {};
            const unsigned long code = FuncMakeReservationKey(a, b, c, key, kKeyBuffer);
            return std::make_tuple(code, py::bytes(fromBuffer(key, kKeyBuffer)));
        },
        py::arg("a"), py::arg("b"), py::arg("c"), "(code, key): the host key of a, b, c.");
    module.def(
        "func_pr_register",
        [](const std::string& path, const py::bytes& key) {
            std::string k = key;
            if (k.find('\0') != std::string::npos) {
                throw py::value_error("a flat function's key cannot hold a zero byte");
            }
            char error[kErrorBuffer] = {};
            unsigned long code = 0;
            {
                py::gil_scoped_release released;
                code = FuncPR_register(path.c_str(), &k[0], error, kErrorBuffer);
            }
            return std::make_tuple(code, text(fromBuffer(error, kErrorBuffer)));
        },
        py::arg("path"), py::arg("key"),
        "(code, error): registers key with the device (REGISTER AND IGNORE EXISTING KEY).");
}

}  // namespace qxpy
