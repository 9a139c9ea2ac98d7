// Flat reservation functions for callers that work with plain character buffers. Each call
// runs on a temporary reservation handle with the identifier -1. Text is copied into a buffer
// of size bytes as strncpy does: NUL-padded when shorter, not terminated when it fills the
// buffer; a negative size writes nothing. The result is 0 or the handle's error code; 103 when
// a pointer the function needs is null (nothing is then written).
#ifndef QXSCSI_QXSCSIFLAT_H
#define QXSCSI_QXSCSIFLAT_H

#include "qxscsi/qxscsi_export.h"

// Finds the first registered key on the device that begins with "QX". found receives 1 when
// one was found (and key receives it), else 0; error receives the error text on failure.
QXSCSI_API unsigned long FuncPR_queryQXRegKey(const char* devicePath, char* key, int keySize,
                                              char* error, int errorSize, int* found);

// Builds the host reservation key "QX%.2d%.2d%.2d" of the three integers into key.
QXSCSI_API unsigned long FuncMakeReservationKey(int first, int second, int third, char* key,
                                                int keySize);

// Registers key with the device (REGISTER AND IGNORE EXISTING KEY); error receives the error
// text on failure.
QXSCSI_API unsigned long FuncPR_register(const char* devicePath, char* key, char* error,
                                         int errorSize);

#endif
