// A scripted stand-in for the platform SCSI layer, linked instead of libOZScsi.so: it records
// every platform call and command, and answers each command with the next scripted reply, else
// with the responder's, else with GOOD status and no data.
#ifndef QXSCSI_TESTS_FAKEPLATFORM_H
#define QXSCSI_TESTS_FAKEPLATFORM_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace fake {

using Bytes = std::vector<unsigned char>;

inline Bytes bytes(std::initializer_list<int> values) {
    return Bytes(values.begin(), values.end());
}

// An 18-byte fixed-format sense record (response code 0x70, additional length 10).
inline Bytes fixedSense(unsigned char keyByte, unsigned char asc, unsigned char ascq) {
    return bytes({0x70, 0, keyByte, 0, 0, 0, 0, 10, 0, 0, 0, 0, asc, ascq, 0, 0, 0, 0});
}

// Standard INQUIRY data of a device of this peripheral type: vendor and product blank-padded
// (cut to their fields), revision "1".
inline Bytes inquiry(std::string vendor, std::string product, unsigned char type = 1) {
    vendor.resize(8, ' '), product.resize(16, ' ');
    const std::string data =
        std::string{static_cast<char>(type), 0, 0, 0, 31, 0, 0, 0} + vendor + product + "1   ";
    return Bytes(data.begin(), data.end());
}

// A LOG SENSE page: its code, the length of body, then body.
inline Bytes logPage(unsigned char page, const Bytes& body) {
    Bytes data(4 + body.size(), 0);
    data[0] = page;
    data[2] = static_cast<unsigned char>(body.size() >> 8);
    data[3] = static_cast<unsigned char>(body.size());
    std::copy(body.begin(), body.end(), data.begin() + 4);
    return data;
}

// What the system handed to OZScsi::send.
struct Command {
    std::string path;
    Bytes cdb;
    Bytes dataOut;  // empty unless toDevice
    bool toDevice = false;
    int dataLength = 0;
    bool headOfQueue = false;
    int senseLength = 0;
    int timeout = 0;
};

// How the device (or the platform) answers one call.
struct Reply {
    enum Kind { Return, ThrowScsi, ThrowQx, ThrowOther, ThrowBadAlloc };

    static Reply good(Bytes dataIn = {}) { return status(0, {}, std::move(dataIn)); }
    static Reply status(int scsiStatus, Bytes sense = {}, Bytes dataIn = {}) {
        return {Return, scsiStatus, std::move(dataIn), std::move(sense)};
    }
    static Reply check(unsigned char keyByte, unsigned char asc, unsigned char ascq) {
        return status(2, fixedSense(keyByte, asc, ascq));
    }
    static Reply conflict() { return status(24); }
    // QxScsiException with that status (-1: failure below SCSI) and sense bytes.
    static Reply throwScsi(int scsiStatus, Bytes sense = {}, const char* message = "scsi failure") {
        const bool has = message != nullptr;
        return {ThrowScsi, scsiStatus, {}, std::move(sense), has ? message : "", has};
    }
    static Reply throwQx(const char* message, int osErrno) {  // message may be null
        return {ThrowQx, 0, {}, {}, message ? message : "", message != nullptr, osErrno};
    }
    static Reply throwOther() { return {ThrowOther}; }        // std::runtime_error
    static Reply throwBadAlloc() { return {ThrowBadAlloc}; }  // std::bad_alloc

    Kind kind = Return;
    int scsiStatus = 0;
    Bytes dataIn{}, sense{};
    std::string message{};
    bool hasMessage = false;
    int osErrno = 0;

    void raise() const;  // throws as scripted
};

class Platform {
  public:
    static Platform& get();
    // Forgets everything and deletes the object behind ::scsi, as in a freshly loaded library.
    void reset();

    Platform& reply(Reply r) { return replies({r}); }
    Platform& replies(std::initializer_list<Reply> rs) {
        m_script.insert(m_script.end(), rs);
        return *this;
    }
    void setResponder(std::function<Reply(const Command&)> r) { m_responder = std::move(r); }

    const std::vector<Command>& sent() const { return m_sent; }
    const Command& sent(std::size_t i) const;
    std::size_t sentCount() const { return m_sent.size(); }

    // Platform calls other than send; a Reply of kind Return means success.
    Reply onTargetCreate, onRefresh, onOpen, onPopulate;
    // open() leaves the handle at -1 when openSucceeds is false.
    bool openSucceeds = true;

    std::vector<std::pair<int, bool>> refreshCalls;  // (device type, rescan)
    std::vector<int> openArgs;
    std::vector<std::pair<std::string, bool>> targetsCreatedWith;  // (path, shared)
    int populateCalls = 0, targetsLive = 0, mostLive = 0;          // mostLive: at once, at most

    Reply nextReply(const Command& command);
    void record(const Command& command) { m_sent.push_back(command); }

  private:
    std::deque<Reply> m_script;
    std::function<Reply(const Command&)> m_responder;
    std::vector<Command> m_sent;
};

inline Platform& platform() {
    return Platform::get();
}

// Fixture base: a fresh platform for every test, and no live target left behind.
class Test : public ::testing::Test {
  protected:
    void SetUp() override { platform().reset(); }
    void TearDown() override {
        EXPECT_EQ(platform().targetsLive, 0) << "a device was not released";
    }
};

}  // namespace fake

#endif
