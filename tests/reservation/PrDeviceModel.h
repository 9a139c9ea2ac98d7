// A logical unit's persistent-reservation state, answering PERSISTENT RESERVE IN and OUT for
// the scripted platform as a device shared by several hosts would. A host is the path the
// command arrives on ("/dev/hostA/sdb", ...); all paths reach this one unit. Also builders of
// PERSISTENT RESERVE IN replies for scripted tests.
#ifndef QXSCSI_TESTS_PRDEVICEMODEL_H
#define QXSCSI_TESTS_PRDEVICEMODEL_H

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/double/FakePlatform.h"

namespace prmodel {

// READ KEYS data: header with ADDITIONAL LENGTH (the keys' length when negative) and the keys,
// each cut or zero-padded to 8 bytes.
fake::Bytes keysData(const std::vector<std::string>& keys, std::int64_t additionalLength = -1);
// READ RESERVATION data: no descriptor for an empty key, else one of logical-unit scope.
fake::Bytes reservationData(const std::string& key, unsigned char type = 3);

class Device {
  public:
    void attach();  // answers every command the platform receives from now on
    std::vector<std::string> keys() const;  // registered keys, in registration order
    std::string holderKey() const;          // "" without a reservation

    std::vector<std::pair<std::string, std::string>> registered;  // host, 8-byte key field
    std::string holder;                                           // host holding it
    unsigned char type = 0;
    std::map<std::string, std::deque<int>> attention;  // host: pending ASC 0x2A qualifiers

  private:
    fake::Reply respond(const fake::Command& command);
    fake::Reply out(const std::string& host, int action, unsigned char newType,
                    const std::string& key, const std::string& serviceKey);
    void drop(const std::string& host, int ascq);
};

}  // namespace prmodel

#endif
