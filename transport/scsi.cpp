// The process-wide platform SCSI layer object. Null when the library is loaded; the first
// pass-through object or reservation handle that finds it null creates it, and it is never freed.
#include "qxscsi/QXNTSpti.h"

OZScsi* scsi = nullptr;
