// PERSISTENT RESERVE IN replies, and one logical unit shared by hosts 'A', 'B', 'C' (the last
// character of the device path a command arrives on) answering the commands this system sends.
#ifndef QXSCSI_TESTS_PRDEVICEMODEL_H
#define QXSCSI_TESTS_PRDEVICEMODEL_H

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/double/FakePlatform.h"
#include "transport/ScsiBytes.h"

namespace prmodel {

// READ KEYS data: ADDITIONAL LENGTH (the keys' length when negative), each key cut or
// zero-padded to 8 bytes.
inline fake::Bytes keysData(const std::vector<std::string>& keys, std::int64_t length = -1) {
    fake::Bytes d(8, 0);
    for (std::string k : keys) {
        k.resize(8, '\0');
        d.insert(d.end(), k.begin(), k.end());
    }
    qx::putBe32(&d[4], static_cast<std::uint32_t>(length < 0 ? d.size() - 8 : length));
    return d;
}

// READ RESERVATION data: no descriptor for an empty key, else one of logical-unit scope.
inline fake::Bytes reservationData(const std::string& key, unsigned char type = 3) {
    fake::Bytes d = keysData({key, ""}, key.empty() ? 0 : 16);
    d[21] = type;
    return d;
}

struct Device {
    std::map<char, std::string> keys;         // host: its registered 8-byte key field
    std::map<char, unsigned char> attention;  // host: pending ASC 0x2A qualifier, 0 for none
    char holder = 0;
    unsigned char type = 0;
    unsigned char peripheral = 0;  // device type in INQUIRY: 0 disk, 1 tape
    // "I<service action>" for each IN, "O<service action>" for each OUT, "Q" for INQUIRY,
    // "R10" and "R6" for READ(10) and READ(6), "?<operation code>" for anything else
    std::string sent;
    int refuse = 0;  // answers the refuse-th command from now with RESERVATION CONFLICT

    fake::Reply respond(const fake::Command& c) {
        const char host = c.path.back();
        const int action = c.cdb[1];
        const bool pr = c.cdb[0] == 0x5E || c.cdb[0] == 0x5F;
        sent += (sent.empty() ? "" : " ") +
                (pr                 ? std::string(c.toDevice ? "O" : "I") + std::to_string(action)
                 : c.cdb[0] == 0x12 ? std::string("Q")
                 : c.cdb[0] == 0x28 ? std::string("R10")
                 : c.cdb[0] == 0x08 ? std::string("R6")
                                    : "?" + std::to_string(c.cdb[0]));
        if (--refuse == 0) {
            return fake::Reply::conflict();
        }
        if (const unsigned char ascq = std::exchange(attention[host], 0)) {
            return fake::Reply::check(0x06, 0x2A, ascq);
        }
        if (!pr) {  // INQUIRY, or a READ of nothing: refused under another's Exclusive Access
            return c.cdb[0] == 0x12                             ? fake::Reply::good({peripheral})
                   : holder != 0 && holder != host && type == 3 ? fake::Reply::conflict()
                                                                : fake::Reply::good();
        }
        std::string list(c.dataOut.begin(), c.dataOut.end());
        list.resize(16, '\0');
        const std::string key = list.substr(0, 8), serviceKey = list.substr(8, 8);
        std::vector<std::string> registered;
        std::vector<char> gone;  // the registrants CLEAR or PREEMPT removes
        for (const auto& k : keys) {
            registered.push_back(k.second);
            if (action == 3 || (action == 4 && k.first != host && k.second == serviceKey)) {
                gone.push_back(k.first);
            }
        }
        if (!c.toDevice) {
            return fake::Reply::good(action == 0
                                         ? keysData(registered)
                                         : reservationData(holder ? keys[holder] : "", type));
        }
        if (action == 6) {  // REGISTER AND IGNORE EXISTING KEY
            keys[host] = serviceKey;
        } else if (keys.count(host) == 0 || keys[host] != key ||
                   (action == 1 && holder != 0 && holder != host) ||
                   (action == 4 && gone.empty())) {
            return fake::Reply::conflict();
        } else if (action == 1 || action == 2) {  // RESERVE, RELEASE
            holder = action == 1 ? host : holder == host ? 0 : holder;
            type = action == 1 ? c.cdb[2] : type;
        }
        for (char o : gone) {  // CLEAR: RESERVATIONS PREEMPTED; PREEMPT: REGISTRATIONS PREEMPTED
            keys.erase(o);
            attention[o] = o == host ? 0 : action == 3 ? 0x03 : 0x05;
            holder = holder != o ? holder : action == 3 ? 0 : host;
            type = holder == host ? c.cdb[2] : type;
        }
        return fake::Reply::good();
    }
};

// The key host A, B or C builds from the integers 1, 1 and 1, 2 or 3.
inline std::string hostKey(char host) {
    return std::string("QX01010") + static_cast<char>(host - 'A' + '1');
}

// The device as text: the registered hosts ("=key" after one registered under a key not its
// own), then ":", the holder and the type. "AB:A3": A and B registered, A holding an Exclusive
// Access reservation.
inline std::string describe(const Device& device) {
    std::string s;
    for (const auto& k : device.keys) {
        s += k.first + (k.second == hostKey(k.first) ? "" : "=" + k.second);
    }
    return device.holder ? s + ":" + device.holder + std::to_string(device.type) : s;
}

// A device in the state that text describes (as describe writes it, keys of 8 characters).
inline Device deviceFrom(const std::string& text) {
    Device device;
    const std::size_t colon = std::min(text.find(':'), text.size());
    for (std::size_t i = 0; i < colon; ++i) {
        const char h = text[i];
        const bool other = i + 1 < colon && text[i + 1] == '=';
        device.keys[h] = other ? text.substr(i + 2, 8) : hostKey(h);
        i += other ? 9 : 0;
    }
    device.holder = colon < text.size() ? text[colon + 1] : 0;
    device.type = colon < text.size() ? static_cast<unsigned char>(text[colon + 2] - '0') : 0;
    return device;
}

}  // namespace prmodel

#endif
