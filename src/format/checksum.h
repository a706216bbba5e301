// The pack file's trailing checksum: a CRC-16/CCITT table walk whose
// accumulator is kept at 32 bits. Bytes only; nothing here opens a file.
#ifndef BLOBSMITH_FORMAT_CHECKSUM_H_
#define BLOBSMITH_FORMAT_CHECKSUM_H_

#include <cstdint>

namespace blobsmith {

// Entry i is the CRC-16 of the single byte i under the polynomial 0x1021,
// most significant bit first (entry 1 is 0x1021, entry 255 is 0x1EF0).
extern const uint32_t CRC16_CCITT_TABLE[256];

// Folds length bytes into accumulator and returns the new accumulator.
// For each byte b: acc = (acc << 8) ^ TABLE[((acc >> 8) & 0xFF) ^ b], kept
// modulo 2^32. The low 16 bits are the CRC-16/XMODEM of the data; bits 16
// to 31 carry the high bytes of the two previous 16-bit states. Chunked calls
// give the same result as one call over the concatenation; a length of 0
// returns the accumulator unchanged.
// REQUIRES: bytes points at length readable bytes (or length is 0).
uint32_t checksum_update(uint32_t length, const unsigned char* bytes, uint32_t accumulator);

// The accumulator after length zero bytes are folded into accumulator, in
// time that grows with the number of bits of length. The fold is linear, so
// the fold of A then B is checksum_after_zeros(fold of A, length of B)
// ^ (fold of B from 0): a pack's data can be folded as it is written and
// joined to the fold of the header and table written last.
uint32_t checksum_after_zeros(uint32_t accumulator, uint64_t length);

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_CHECKSUM_H_
