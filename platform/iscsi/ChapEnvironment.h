// The CHAP settings the iSCSI library takes from the environment when it reads a path
// (LIBISCSI_CHAP_USERNAME and the others): read once, and compared with the environment of a
// later open without a copy.
#ifndef QX_PLATFORM_ISCSI_CHAPENVIRONMENT_H
#define QX_PLATFORM_ISCSI_CHAPENVIRONMENT_H

#include <array>
#include <string>

namespace oz {
namespace iscsi {

class ChapEnvironment {
  public:
    // Takes the settings as the environment has them now.
    void read();
    // True when the environment still has the settings read.
    bool current() const;

  private:
    static constexpr std::size_t kCount = 4;
    std::array<bool, kCount> m_set{};
    std::array<std::string, kCount> m_value;
};

}  // namespace iscsi
}  // namespace oz

#endif
