// Sending a command that a unit attention may stand in front of. Internal to the library.
#ifndef QXSCSI_TRANSPORT_UNITATTENTIONRESEND_H
#define QXSCSI_TRANSPORT_UNITATTENTIONRESEND_H

class QXNTSpti;

namespace qx {

// Sends the cdb through SendSCSICmd. A device reports a reservation change made by another host,
// or a new connection, as a UNIT ATTENTION on this host's next command, which it then did not
// carry out; such a command (CHECK CONDITION with sense key 6) is sent once more, with a zeroed
// buffer when it reads data, and the second outcome stands. Result as SendSCSICmd.
bool sendPastUnitAttention(QXNTSpti& spti, unsigned char* cdb, int cdbLength, unsigned char* data,
                           int dataLength, int direction);

}  // namespace qx

#endif
