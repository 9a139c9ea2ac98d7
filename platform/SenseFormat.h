// Sense data format conversion.
//
// Callers of the platform read fixed-format sense (response code 0x70 or 0x71): sense key in
// byte 2 bits 3-0 with FILEMARK, EOM and ILI in bits 7-5, ASC in byte 12, ASCQ in byte 13.
// Devices may answer in descriptor format (0x72 or 0x73) instead; this converts.
#ifndef QX_PLATFORM_SENSEFORMAT_H
#define QX_PLATFORM_SENSEFORMAT_H

namespace oz {

// Length of the fixed-format record built from descriptor-format sense.
constexpr int kFixedSenseLength = 18;

// Writes the sense data in (inLength bytes received) to out (room for outLength bytes) in fixed
// format. Descriptor-format sense becomes an 18-byte fixed record carrying the key, ASC, ASCQ
// and the information, command-specific, sense-key-specific, field-replaceable-unit, stream
// and block command descriptors; any other sense is copied unchanged. Reads no byte of in past
// inLength (nor past the sense data's own additional length) and writes no byte of out past
// outLength. in and out may be the same buffer. Returns the number of bytes written.
int toFixedSense(const unsigned char* in, int inLength, unsigned char* out, int outLength);

}  // namespace oz

#endif
