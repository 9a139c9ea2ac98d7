#include "tests/reservation/PrDeviceModel.h"

#include <algorithm>

#include "transport/ScsiBytes.h"

namespace prmodel {

fake::Bytes keysData(const std::vector<std::string>& keys, std::int64_t additionalLength) {
    fake::Bytes d(8, 0);
    for (std::string k : keys) {
        k.resize(8, '\0');
        d.insert(d.end(), k.begin(), k.end());
    }
    qx::putBe32(&d[4],
                static_cast<std::uint32_t>(additionalLength < 0 ? d.size() - 8 : additionalLength));
    return d;
}

fake::Bytes reservationData(const std::string& key, unsigned char type) {
    if (key.empty()) {
        return fake::Bytes(8, 0);
    }
    fake::Bytes d = keysData({key}, 16);
    d.insert(d.end(), {0, 0, 0, 0, 0, type, 0, 0});
    return d;
}

void Device::attach() {
    fake::platform().setResponder([this](const fake::Command& c) { return respond(c); });
}

std::vector<std::string> Device::keys() const {
    std::vector<std::string> out;
    for (const auto& r : registered) {
        out.push_back(r.second.substr(0, r.second.find('\0')));
    }
    return out;
}

std::string Device::holderKey() const {
    for (std::size_t i = 0; i < registered.size(); ++i) {
        if (registered[i].first == holder) {
            return keys()[i];
        }
    }
    return "";
}

void Device::drop(const std::string& host, int ascq) {
    registered.erase(std::remove_if(registered.begin(), registered.end(),
                                    [&](const auto& r) { return r.first == host; }),
                     registered.end());
    if (ascq != 0) {
        attention[host].push_back(ascq);
    }
}

fake::Reply Device::respond(const fake::Command& c) {
    // A pending unit attention is reported in place of the host's next command, once.
    auto& pending = attention[c.path];
    if (!pending.empty()) {
        const int ascq = pending.front();
        pending.pop_front();
        return fake::Reply::check(0x06, 0x2A, static_cast<unsigned char>(ascq));
    }
    if (c.cdb.at(0) == 0x5E) {
        return fake::Reply::good(c.cdb[1] == 0 ? keysData(keys())
                                               : reservationData(holderKey(), type));
    }
    const std::string key(c.dataOut.begin(), c.dataOut.begin() + 8);
    const std::string serviceKey(c.dataOut.begin() + 8, c.dataOut.begin() + 16);
    return out(c.path, c.cdb.at(1), c.cdb.at(2) & 0x0F, key, serviceKey);
}

fake::Reply Device::out(const std::string& host, int action, unsigned char newType,
                        const std::string& key, const std::string& serviceKey) {
    auto mine = std::find_if(registered.begin(), registered.end(),
                             [&](const auto& r) { return r.first == host; });
    if (action == 6) {  // REGISTER AND IGNORE EXISTING KEY; key 0 unregisters
        if (serviceKey == std::string(8, '\0')) {
            drop(host, 0);
            holder = holder == host ? "" : holder;
        } else if (mine != registered.end()) {
            mine->second = serviceKey;
        } else {
            registered.emplace_back(host, serviceKey);
        }
        return fake::Reply::good();
    }
    // Every other action needs this host registered under the key it gives.
    if (mine == registered.end() || mine->second != key) {
        return fake::Reply::conflict();
    }
    std::vector<std::string> others;
    for (const auto& r : registered) {
        if (r.first != host && (action != 4 || r.second == serviceKey)) {
            others.push_back(r.first);
        }
    }
    switch (action) {
        case 1:  // RESERVE
            if (!holder.empty() && (holder != host || type != newType)) {
                return fake::Reply::conflict();
            }
            holder = host;
            type = newType;
            break;
        case 2:  // RELEASE, announced to the others (stricter than a device must be)
            if (holder == host) {
                holder.clear();
                for (const std::string& o : others) {
                    attention[o].push_back(0x04);
                }
            }
            break;
        case 3:  // CLEAR: RESERVATIONS PREEMPTED for every other registrant
            for (const std::string& o : others) {
                attention[o].push_back(0x03);
            }
            registered.clear();
            holder.clear();
            break;
        case 4: {  // PREEMPT: REGISTRATIONS PREEMPTED for the holders of the given key
            const bool takesReservation = std::any_of(
                registered.begin(), registered.end(),
                [&](const auto& r) { return r.first == holder && r.second == serviceKey; });
            if (others.empty() && !takesReservation) {
                return fake::Reply::conflict();
            }
            for (const std::string& o : others) {
                drop(o, 0x05);
            }
            if (takesReservation) {
                holder = host;
                type = newType;
            }
            break;
        }
        default:
            return fake::Reply::check(0x05, 0x24, 0x00);
    }
    return fake::Reply::good();
}

}  // namespace prmodel
