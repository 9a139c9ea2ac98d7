// qxscsi: everything a host includes, in one header.
//
//   QXScsiHardDisk   the reservation handle: host keys, register, read keys and reservation,
//                    reserve, pre-empt, clear, release, the forced-reserve takeover
//   QXNTSpti         the pass-through object: tape drive commands, TapeAlert, WORM detection,
//                    media types, persistent reservation commands
//   Func...          the flat reservation functions over plain character buffers
//   displayReservationKey, maskedDevicePath
//                    keys and device paths as the library's messages show them
//   OZScsi, JWS2BaseError, QxException
//                    the platform layer below them: devices, error codes, exceptions
//   QXSCSI_VERSION_* the version of the library the host is built against
#ifndef QXSCSI_QXSCSI_H
#define QXSCSI_QXSCSI_H

#include "platform/JWS2BaseError.h"
#include "platform/OZScsi.h"
#include "platform/QxException.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiHardDisk.h"
#include "qxscsi/QXScsiTapeDrive.h"
#include "qxscsi/QXScsiText.h"
#include "qxscsi/version.h"

#endif
