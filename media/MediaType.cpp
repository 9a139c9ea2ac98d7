// Media type classification: the loaded cartridge's media-type code for known LTO and DLT-family
// drive models, from the drive model and the MEDIUM TYPE of the mode parameter header.
#include <cstddef>

#include "media/DriveModels.h"
#include "qxscsi/QXNTSpti.h"

namespace {

using namespace qx::media;

// Table cells that produce no code; the caller's value stays as it was.
constexpr int kNoCode = -1;
// An LTO3 cartridge in a second-generation drive: no code, and the classification fails.
constexpr int kLto3MediaInLto2 = -2;

template <std::size_t Columns>
struct MediaRow {
    unsigned char mediumType;
    int code[Columns];
};

// Medium types not listed give no code in any column.
constexpr MediaRow<kLtoColumns> kLtoTable[] = {
    // medium type, {third generation, second generation}
    {0x18, {141, 141}},
    {0x28, {142, 142}},
    {0x38, {143, kLto3MediaInLto2}},
};

constexpr MediaRow<kDltColumns> kDltTable[] = {
    // medium type, {SuperDLT1, SDLT320, SDLT600, DLT-S4, DLT-V4}
    {0x81, {220, 220, 220, 220, 19}},
    {0x85, {1, 1, kNoCode, kNoCode, 1}},
    {0x86, {201, 201, 201, 201, kNoCode}},
    {0x87, {201, 201, 202, 202, kNoCode}},
    {0x88, {kNoCode, kNoCode, kNoCode, 204, kNoCode}},
    {0x90, {kNoCode, kNoCode, kNoCode, kNoCode, 2}},
};

template <std::size_t Columns, std::size_t Rows>
int codeFor(const MediaRow<Columns> (&table)[Rows], unsigned char mediumType, int column) {
    for (const MediaRow<Columns>& row : table) {
        if (row.mediumType == mediumType) {
            return row.code[column];
        }
    }
    return kNoCode;
}

// The first model of the family that the device is, or null. While INQUIRY keeps failing each
// model asks for it again; once it succeeded no further command is sent.
const DriveModel* findModel(QXNTSpti& device, Family family) {
    for (const DriveModel& model : kDriveModels) {
        if (model.family == family && device.IsUnit(model.vendor, model.product)) {
            return &model;
        }
    }
    return nullptr;
}

constexpr int kModeSenseLength = 128;
constexpr int kAllPagesHeader = 0x00;
constexpr int kMediumTypeByte = 1;  // MEDIUM TYPE of the mode parameter header

}  // namespace

bool QXNTSpti::getMediaType(int& mediaType) {
    const DriveModel* model = findModel(*this, Family::Lto);
    if (model == nullptr) {
        model = findModel(*this, Family::Dlt);
    }
    if (model == nullptr) {
        return true;  // not a drive this classification knows: no code, no failure
    }
    // Cleared first, so a reply without data gives no code rather than a stale one.
    unsigned char reply[kModeSenseLength] = {};
    if (!doModeSense(reply, kModeSenseLength, kAllPagesHeader)) {
        return false;
    }
    const unsigned char mediumType = reply[kMediumTypeByte];
    const int code = model->family == Family::Lto ? codeFor(kLtoTable, mediumType, model->column)
                                                  : codeFor(kDltTable, mediumType, model->column);
    if (code == kLto3MediaInLto2) {
        m_strErrorMsg = "LTO2 cannot recognize the LTO3 media";
        return false;
    }
    if (code != kNoCode) {
        mediaType = code;
    }
    return true;
}
