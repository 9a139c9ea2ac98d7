// Fixed-width identification fields of INQUIRY data (vendor, product, serial number) as strings.
#ifndef QXSCSI_COMMANDS_IDENTIFICATIONFIELD_H
#define QXSCSI_COMMANDS_IDENTIFICATIONFIELD_H

#include <cstddef>
#include <string>

namespace qx {

// The field's text without its trailing blanks and zero bytes. A zero byte inside the field ends
// the text there; a field that fills its whole width keeps every character.
std::string trimmedField(const unsigned char* field, std::size_t length);

}  // namespace qx

#endif
