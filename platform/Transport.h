// The transports behind OZScsi: one object per opened target, chosen by the target's path.
//
// OZScsi validates the caller's arguments, resolves the command time limit, keeps the sense
// buffer the transport writes into and turns a transport's outcome into a return value or an
// exception, so a transport only moves one command to its device and reports what came back.
// A new transport (a network one, say) implements this interface, adds one line to the scheme
// table in TransportRegistry.cpp and needs no change in OZScsi or its callers.
#ifndef QX_PLATFORM_TRANSPORT_H
#define QX_PLATFORM_TRANSPORT_H

#include <memory>
#include <string>

namespace oz {

// One command as OZScsi hands it to a transport; every field is already checked.
struct Command {
    const unsigned char* cdb = nullptr;
    int cdbLength = 0;     // 1 .. 16
    void* data = nullptr;  // null, or dataLength bytes
    int dataLength = 0;    // 0 or more; 0 or a null buffer means no data phase
    bool dataOut = false;  // true: data goes to the device
    bool headOfQueue = false;
    unsigned char* sense = nullptr;   // where the transport puts the device's sense bytes
    int senseCapacity = 0;            // their room, 0 .. 255
    unsigned int timeoutSeconds = 0;  // resolved time limit, above 0
};

// What became of one command.
struct Outcome {
    enum Kind {
        kCompleted,         // the device answered with a SCSI status
        kTransportFailure,  // no device answer: transport, host adapter, time-out, abort
        kOsError            // the operating system refused the request
    };
    Kind kind = kCompleted;
    int status = 0;       // kCompleted: the SCSI status byte
    int senseLength = 0;  // bytes of sense in Command::sense, 0 .. senseCapacity
    int transferred = 0;  // data bytes moved, 0 .. dataLength
    int osErrno = 0;      // kOsError: the error number
    std::string detail;   // kTransportFailure, kOsError: what went wrong, for the message
};

class Transport {
  public:
    virtual ~Transport() = default;

    // Opens the device. Returns 0 or an OS error number; never throws for a device that
    // cannot be opened.
    virtual int open(int connectTimeoutSeconds) = 0;
    // Why the last open failed, in words (a malformed path, a refused login); empty when the
    // error number open returned says it all.
    virtual std::string openFailure() const { return std::string(); }
    // A non-negative number naming the open device (a file descriptor for local nodes), or -1.
    virtual int handle() const = 0;
    // Checks that the open device answers SCSI commands; throws QxException when it does not.
    virtual void populate() = 0;
    // Performs one command. Never throws for a failure of the command itself.
    virtual Outcome send(const Command& command) = 0;
    // Releases the device; handle() is -1 afterwards. Safe to call more than once.
    virtual void close() = 0;
};

using TransportFactory = std::unique_ptr<Transport> (*)(const std::string& path, bool shared);

// The factory of the transport that serves this path, or null when none does.
TransportFactory findTransport(const std::string& path);

}  // namespace oz

#endif
