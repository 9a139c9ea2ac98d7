#ifndef QXSCSI_TESTS_CANNEDPLATFORM_H
#define QXSCSI_TESTS_CANNEDPLATFORM_H

#include <vector>

namespace canned {

// The reply every command gets.
struct CannedReply {
    int status = 0;
    std::vector<unsigned char> dataIn;
};

CannedReply& canned();

}  // namespace canned

#endif
