// A scripted stand-in for the platform SCSI layer. The unit tests link the system's code against
// it instead of libOZScsi.so: it records every call and every command the system makes, and
// answers each command with a scripted status, sense bytes and data-in bytes, or throws one of
// the platform's exceptions.
//
//   fake::platform().reply(fake::Reply::good({0x00, 0x01}));        // script one reply
//   EXPECT_EQ(fake::platform().sent(0).cdb, fake::bytes({0x12, 0, 0, 0, 36, 0}));
//
// Replies are used in the order they were scripted. When the script is empty the responder (if
// one is set) answers, otherwise the command completes with GOOD status and no data.
#ifndef QXSCSI_TESTS_FAKEPLATFORM_H
#define QXSCSI_TESTS_FAKEPLATFORM_H

#include <gtest/gtest.h>

#include <cstddef>
#include <deque>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fake {

using Bytes = std::vector<unsigned char>;

// Bytes from int literals: bytes({0x12, 0, 0, 0, 36, 0}).
Bytes bytes(std::initializer_list<int> values);

// An 18-byte fixed-format sense reply (response code 0x70, additional length 10).
Bytes fixedSense(unsigned char keyByte, unsigned char asc, unsigned char ascq);

// What the system handed to OZScsi::send for one command.
struct Command {
    std::string path;  // the target's device path
    Bytes cdb;         // cdbLength bytes
    Bytes dataOut;     // the data-out bytes when toDevice, else empty
    bool toDevice = false;
    int dataLength = 0;
    bool headOfQueue = false;
    int senseLength = 0;
    int timeout = 0;  // the final argument
    bool dataNull = false;
};

// How the device (or the platform) answers one call.
struct Reply {
    enum Kind { Return, ThrowScsi, ThrowQx, ThrowOther };

    static Reply good(Bytes dataIn = {});
    // Completes with the given SCSI status and sense bytes (and data-in bytes).
    static Reply status(int scsiStatus, Bytes sense = {}, Bytes dataIn = {});
    // CHECK CONDITION with 18 bytes of fixed-format sense.
    static Reply check(unsigned char keyByte, unsigned char asc, unsigned char ascq);
    // RESERVATION CONFLICT without sense.
    static Reply conflict();
    // Throws QxScsiException with that status (-1: failure below SCSI) and sense bytes.
    static Reply throwScsi(int scsiStatus, Bytes sense = {}, const char* message = "scsi failure");
    // Throws QxException; message may be null.
    static Reply throwQx(const char* message, int osErrno);
    // Throws std::runtime_error, a type the platform never throws.
    static Reply throwOther();

    Kind kind = Return;
    int scsiStatus = 0;
    Bytes dataIn;
    Bytes sense;
    std::string message;
    bool hasMessage = false;
    int osErrno = 0;

    // Throws as scripted; does nothing for Return.
    void raise() const;
};

class Platform {
  public:
    static Platform& get();

    // Forgets scripts, records and settings, deletes the platform object behind ::scsi and sets
    // it back to null, as in a freshly loaded library.
    void reset();

    Platform& reply(Reply r);
    Platform& replies(std::initializer_list<Reply> rs);
    void setResponder(std::function<Reply(const Command&)> responder);

    const std::vector<Command>& sent() const { return m_sent; }
    const Command& sent(std::size_t i) const;
    std::size_t sentCount() const { return m_sent.size(); }
    std::size_t pendingReplies() const { return m_script.size(); }

    // Platform calls other than send: a Reply of kind Return means success.
    Reply onTargetCreate;
    Reply onRefresh;
    Reply onOpen;
    Reply onPopulate;
    // open() leaves the handle at -1 for these paths (or for all when openSucceeds is false).
    bool openSucceeds = true;
    std::set<std::string> unopenablePaths;

    // Records of the calls.
    std::vector<std::pair<int, bool>> refreshCalls;  // (device type, rescan)
    std::vector<int> openArgs;
    std::vector<std::pair<std::string, bool>> targetsCreatedWith;  // (path, shared)
    int populateCalls = 0;
    int targetsLive = 0;

    // Used by the double's definitions of the platform operations.
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

// Test fixture base: a fresh platform for every test, and no live target left behind.
class Test : public ::testing::Test {
  protected:
    void SetUp() override { platform().reset(); }
    void TearDown() override {
        EXPECT_EQ(platform().targetsLive, 0) << "a device was not released";
    }
};

}  // namespace fake

#endif
