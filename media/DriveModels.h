// The tape drive models that media type classification knows: LTO drives of one vendor and
// DLT-family drives of several, each with the column of its family's media table.
#ifndef QXSCSI_MEDIA_DRIVEMODELS_H
#define QXSCSI_MEDIA_DRIVEMODELS_H

namespace qx {
namespace media {

enum class Family { Lto, Dlt };

// Columns of the two media tables.
enum LtoColumn { kThirdGeneration, kSecondGeneration, kLtoColumns };
enum DltColumn { kSuperDlt1, kSdlt320, kSdlt600, kDltS4, kDltV4, kDltColumns };

struct DriveModel {
    const char* vendor;
    const char* product;
    Family family;
    int column;
};

// Recognised drive models, in the order they are tried. Vendor and product must match the
// INQUIRY identification exactly: "Quantum" and "QUANTUM" are different vendors.
inline constexpr DriveModel kDriveModels[] = {
    {"IBM", "ULT3580-TD3", Family::Lto, kThirdGeneration},
    {"IBM", "ULTRIUM-TD3", Family::Lto, kThirdGeneration},
    {"IBM", "ULT3580-TD2", Family::Lto, kSecondGeneration},
    {"IBM", "ULTRIUM-TD2", Family::Lto, kSecondGeneration},
    {"COMPAQ", "SuperDLT1", Family::Dlt, kSuperDlt1},
    {"Quantum", "SuperDLT", Family::Dlt, kSuperDlt1},
    {"Quantum", "SuperDLT1", Family::Dlt, kSuperDlt1},
    {"TANDBERG", "SuperDLT1", Family::Dlt, kSuperDlt1},
    {"COMPAQ", "SDLT320", Family::Dlt, kSdlt320},
    {"Quantum", "SDLT320", Family::Dlt, kSdlt320},
    {"HP", "SDLT600", Family::Dlt, kSdlt600},
    {"QUANTUM", "SDLT600", Family::Dlt, kSdlt600},
    {"QUANTUM", "DLT-V4", Family::Dlt, kDltV4},
    {"QUANTUM", "DLT-S4", Family::Dlt, kDltS4},
};

}  // namespace media
}  // namespace qx

#endif
