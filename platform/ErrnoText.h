// Text of an operating-system error number, for exception messages.
#ifndef QX_PLATFORM_ERRNOTEXT_H
#define QX_PLATFORM_ERRNOTEXT_H

#include <string>

namespace oz {

// The C library's description of the error number; safe to call from several threads.
std::string errnoText(int osErrno);

}  // namespace oz

#endif
