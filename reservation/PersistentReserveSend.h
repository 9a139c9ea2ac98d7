// Sending one PERSISTENT RESERVE command on a pass-through object. Internal to the library.
#ifndef QXSCSI_RESERVATION_PERSISTENTRESERVESEND_H
#define QXSCSI_RESERVATION_PERSISTENTRESERVESEND_H

class QXNTSpti;

namespace qx {
namespace pr {

// Sends the 10-byte cdb through SendSCSICmd. A device reports a reservation change made by
// another host as a UNIT ATTENTION on this host's next command, which it then did not carry
// out; such a command (CHECK CONDITION with sense key 6) is sent once more, with a zeroed
// buffer when it reads data, and the second outcome stands. Result as SendSCSICmd.
bool sendPersistentReserve(QXNTSpti& spti, unsigned char* cdb, unsigned char* data, int dataLength,
                           int direction);

}  // namespace pr
}  // namespace qx

#endif
