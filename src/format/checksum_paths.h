// The ways checksum_update can fold its bytes, one function each, so tests
// and benchmarks can hold every one against the byte-at-a-time loop.
//
// All of them rest on one fact about the accumulator. After n >= 2 bytes it
// is (hi8(crc[n-2]) << 24) | (hi8(crc[n-1]) << 16) | crc[n], where crc[k]
// is the plain 16-bit CRC (polynomial 0x1021, most significant bit first)
// after k bytes, started from the accumulator's low 16 bits. So a fast path
// may run any 16-bit CRC method over all bytes but the last two and then
// fold those two with the exact byte loop; inputs shorter than two bytes,
// where the accumulator's upper half still shows, go through the byte loop
// whole.
#ifndef BLOBSMITH_FORMAT_CHECKSUM_PATHS_H_
#define BLOBSMITH_FORMAT_CHECKSUM_PATHS_H_

#include <cstddef>
#include <cstdint>

namespace blobsmith {

// The byte-at-a-time fold, exactly as the accumulator is defined.
uint32_t checksum_update_bytewise(uint32_t length, const unsigned char* bytes,
                                  uint32_t accumulator);

// The same result through 16 lookup tables (16 bytes a step); runs anywhere.
uint32_t checksum_update_portable(uint32_t length, const unsigned char* bytes,
                                  uint32_t accumulator);

// The same result by carry-less multiplication folding.
// REQUIRES: checksum_clmul_available().
uint32_t checksum_update_clmul(uint32_t length, const unsigned char* bytes, uint32_t accumulator);

// The same by a carry-less fold two blocks wide (VPCLMULQDQ with AVX2).
// REQUIRES: checksum_clmul_wide_available().
uint32_t checksum_update_clmul_wide(uint32_t length, const unsigned char* bytes,
                                    uint32_t accumulator);

// True when this build has the carry-less path and the processor it runs on
// can execute it. Always false on processors other than x86.
bool checksum_clmul_available();

// The same for the wide fold; false on 32-bit and Windows builds too.
bool checksum_clmul_wide_available();

// The plain 16-bit CRC state after length more bytes, by the tables.
uint16_t crc16_tables(uint16_t crc, const unsigned char* bytes, size_t length);

// The same by carry-less folding; short inputs fall back to the tables.
// REQUIRES: checksum_clmul_available().
uint16_t crc16_clmul(uint16_t crc, const unsigned char* bytes, size_t length);

// The same by the wide fold; short inputs fall back to the narrow one.
// REQUIRES: checksum_clmul_wide_available().
uint16_t crc16_clmul_wide(uint16_t crc, const unsigned char* bytes, size_t length);

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_CHECKSUM_PATHS_H_
