// Export control for libqxscsi.so. Everything is built with -fvisibility=hidden; only the
// system's public classes, functions and globals carry QXSCSI_API.
#ifndef QXSCSI_EXPORT_H
#define QXSCSI_EXPORT_H

#if defined(__GNUC__)
#define QXSCSI_API __attribute__((visibility("default")))
#else
#define QXSCSI_API
#endif

#endif
