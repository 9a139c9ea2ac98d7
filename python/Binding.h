// What the parts of the Python module share: how a call leaves the interpreter while it waits on
// a device, and how the library's texts become Python strings.
#ifndef QXSCSI_PYTHON_BINDING_H
#define QXSCSI_PYTHON_BINDING_H

#include <pybind11/pybind11.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

namespace qxpy {

namespace py = pybind11;

// A device's or the library's text as a str; bytes that are not UTF-8 (a drive's identification,
// say) become U+FFFD rather than an exception.
py::str text(const std::string& bytes);

// Guards one library object, which is used by one thread at a time. A call gives up the
// interpreter lock first and then waits for the object, so other Python threads run while a
// device answers; a call from the object's own log callback, on the thread already inside the
// object, raises instead of deadlocking.
class ObjectLock {
  public:
    template <typename Work>
    auto run(Work&& work) {
        if (m_owner.load() == std::this_thread::get_id()) {
            throw std::runtime_error(
                "the object is busy on this thread (called from its own log callback)");
        }
        py::gil_scoped_release released;
        std::lock_guard<std::mutex> held(m_mutex);
        Owner owner(m_owner);
        return std::forward<Work>(work)();
    }

  private:
    struct Owner {
        explicit Owner(std::atomic<std::thread::id>& slot) : m_slot(slot) {
            m_slot.store(std::this_thread::get_id());
        }
        ~Owner() { m_slot.store(std::thread::id()); }
        Owner(const Owner&) = delete;
        Owner& operator=(const Owner&) = delete;
        std::atomic<std::thread::id>& m_slot;
    };
    std::mutex m_mutex;
    std::atomic<std::thread::id> m_owner{};
};

void bindLogCallback(py::module_& module);
void bindHardDisk(py::module_& module);
void bindTapeDrive(py::module_& module);
void bindFlatFunctions(py::module_& module);

}  // namespace qxpy

#endif
