// The carry-less multiplication folds for x86 processors. This file alone is
// compiled with the PCLMULQDQ and SSE4.1 instructions enabled, and its wide
// fold alone with AVX2 and VPCLMULQDQ; nothing here runs unless the matching
// availability check said the processor has them.
//
// Sixteen bytes, taken most significant byte first, are a polynomial of
// degree below 128. Moving such a block d bits further from the end of the
// data multiplies it by x^d; modulo the CRC polynomial P that is
// hi64 * (x^(d+64) mod P) + lo64 * (x^d mod P), two carry-less products of
// under 80 bits. Eight blocks (or four pairs of blocks in the wide fold) are
// carried side by side, each moved one stride per step; at the end their
// bytes, run through the narrow fold and the tables from a zero state, give
// the CRC state of everything folded.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "format/checksum_paths.h"

namespace blobsmith {

#if defined(__x86_64__) && !defined(_WIN32)
// 256-bit registers are used only where the compiler keeps their stack slots
// aligned; 32-bit and Windows builds keep to the 128-bit fold.
#define BLOBSMITH_WIDE_FOLD 1
#else
#define BLOBSMITH_WIDE_FOLD 0
#endif

namespace {

constexpr size_t kBlock = 16;
constexpr int kLanes = 8;
constexpr size_t kStride = kLanes * kBlock;
// Below this the tables are as fast and need no setup.
constexpr size_t kMinimumLength = 2 * kStride;

// x^power modulo P = x^16 + x^12 + x^5 + 1.
constexpr uint32_t x_power_mod(const uint32_t power) {
  uint32_t remainder = 1;
  for (uint32_t i = 0; i < power; ++i) {
    remainder <<= 1;
    if ((remainder & 0x10000) != 0) remainder ^= 0x11021;
  }
  return remainder;
}

// Multipliers that move a block a whole stride, or one block, onward: one
// for its high half, one for its low half.
constexpr uint32_t kStrideHigh = x_power_mod(8 * kStride + 64);
constexpr uint32_t kStrideLow = x_power_mod(8 * kStride);
constexpr uint32_t kBlockHigh = x_power_mod(8 * kBlock + 64);
constexpr uint32_t kBlockLow = x_power_mod(8 * kBlock);

inline int as_int(const uint32_t value) { return static_cast<int>(value); }

inline __m128i fold(const __m128i block, const __m128i constants) {
  return _mm_xor_si128(_mm_clmulepi64_si128(block, constants, 0x11),
                       _mm_clmulepi64_si128(block, constants, 0x00));
}

// Asks for the two cache lines a stride of 128 bytes will need eight strides
// from now. On buffers far larger than the caches the folds wait on memory,
// and the hardware's own prefetching alone leaves them measurably slower.
constexpr size_t kPrefetchDistance = 1024;
static_assert(kStride == 128, "two cache lines a stride");

// Only addresses inside the data are formed: nothing past its end.
inline void prefetch_ahead(const unsigned char* bytes, const size_t length) {
  if (length < kPrefetchDistance + kStride) return;
  _mm_prefetch(reinterpret_cast<const char*>(bytes + kPrefetchDistance), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(bytes + kPrefetchDistance + 64), _MM_HINT_T0);
}

// Sixteen bytes as a polynomial: the first byte holds the highest terms.
inline __m128i load_block(const unsigned char* bytes, const __m128i reverse) {
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)), reverse);
}

#if BLOBSMITH_WIDE_FOLD
constexpr int kWideLanes = 4;
constexpr size_t kWideStride = kWideLanes * 2 * kBlock;
static_assert(kWideStride == kStride, "both folds prefetch two cache lines a stride");
constexpr uint32_t kWideStrideHigh = x_power_mod(8 * kWideStride + 64);
constexpr uint32_t kWideStrideLow = x_power_mod(8 * kWideStride);
constexpr size_t kWideMinimumLength = 4 * kWideStride;
#endif

}  // namespace

bool checksum_clmul_available() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

bool checksum_clmul_wide_available() {
#if BLOBSMITH_WIDE_FOLD
  __builtin_cpu_init();
  return checksum_clmul_available() && __builtin_cpu_supports("avx2") &&
         __builtin_cpu_supports("vpclmulqdq");
#else
  return false;
#endif
}

uint16_t crc16_clmul(const uint16_t crc, const unsigned char* bytes, size_t length) {
  if (length < kMinimumLength) return crc16_tables(crc, bytes, length);
  const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i by_stride = _mm_set_epi32(0, as_int(kStrideHigh), 0, as_int(kStrideLow));
  const __m128i by_block = _mm_set_epi32(0, as_int(kBlockHigh), 0, as_int(kBlockLow));

  __m128i lanes[kLanes];
  for (int lane = 0; lane < kLanes; ++lane) {
    lanes[lane] = load_block(bytes + static_cast<size_t>(lane) * kBlock, reverse);
  }
  // A starting state acts as if added to the first two bytes.
  lanes[0] = _mm_xor_si128(lanes[0], _mm_set_epi32(as_int(uint32_t{crc} << 16), 0, 0, 0));
  bytes += kStride;
  length -= kStride;

  while (length >= kStride) {
    prefetch_ahead(bytes, length);
    for (int lane = 0; lane < kLanes; ++lane) {
      lanes[lane] = _mm_xor_si128(fold(lanes[lane], by_stride),
                                  load_block(bytes + static_cast<size_t>(lane) * kBlock, reverse));
    }
    bytes += kStride;
    length -= kStride;
  }

  __m128i folded = lanes[0];
  for (int lane = 1; lane < kLanes; ++lane) {
    folded = _mm_xor_si128(fold(folded, by_block), lanes[lane]);
  }
  while (length >= kBlock) {
    folded = _mm_xor_si128(fold(folded, by_block), load_block(bytes, reverse));
    bytes += kBlock;
    length -= kBlock;
  }

  // folded is congruent to all the data so far; its CRC from zero is the state.
  unsigned char image[kBlock];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(image), _mm_shuffle_epi8(folded, reverse));
  const uint16_t state = crc16_tables(0, image, kBlock);
  return crc16_tables(state, bytes, length);
}

#if BLOBSMITH_WIDE_FOLD
__attribute__((target("avx2,vpclmulqdq"))) uint16_t crc16_clmul_wide(const uint16_t crc,
                                                                     const unsigned char* bytes,
                                                                     size_t length) {
  if (length < kWideMinimumLength) return crc16_clmul(crc, bytes, length);
  const __m256i reverse = _mm256_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0,
                                          1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m256i by_stride = _mm256_set_epi32(0, as_int(kWideStrideHigh), 0, as_int(kWideStrideLow),
                                             0, as_int(kWideStrideHigh), 0, as_int(kWideStrideLow));

  // Each lane holds two consecutive blocks, the earlier in its low half.
  __m256i lanes[kWideLanes];
  for (int lane = 0; lane < kWideLanes; ++lane) {
    lanes[lane] = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(
                                          bytes + static_cast<size_t>(lane) * 2 * kBlock)),
                                      reverse);
  }
  lanes[0] = _mm256_xor_si256(lanes[0],
                              _mm256_set_epi32(0, 0, 0, 0, as_int(uint32_t{crc} << 16), 0, 0, 0));
  bytes += kWideStride;
  length -= kWideStride;

  while (length >= kWideStride) {
    prefetch_ahead(bytes, length);
    for (int lane = 0; lane < kWideLanes; ++lane) {
      const __m256i moved =
          _mm256_xor_si256(_mm256_clmulepi64_epi128(lanes[lane], by_stride, 0x11),
                           _mm256_clmulepi64_epi128(lanes[lane], by_stride, 0x00));
      const __m256i next = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(
                                                   bytes + static_cast<size_t>(lane) * 2 * kBlock)),
                                               reverse);
      lanes[lane] = _mm256_xor_si256(moved, next);
    }
    bytes += kWideStride;
    length -= kWideStride;
  }

  // The lanes, written back in data order, stand for everything folded.
  unsigned char image[kWideStride];
  for (int lane = 0; lane < kWideLanes; ++lane) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(image + static_cast<size_t>(lane) * 2 * kBlock),
                        _mm256_shuffle_epi8(lanes[lane], reverse));
  }
  const uint16_t state = crc16_clmul(0, image, kWideStride);
  return crc16_clmul(state, bytes, length);
}
#else
uint16_t crc16_clmul_wide(const uint16_t crc, const unsigned char* bytes, const size_t length) {
  return crc16_clmul(crc, bytes, length);
}
#endif

uint32_t checksum_update_clmul(const uint32_t length, const unsigned char* bytes,
                               const uint32_t accumulator) {
  if (length < 2) return checksum_update_bytewise(length, bytes, accumulator);
  const uint16_t crc = crc16_clmul(static_cast<uint16_t>(accumulator & 0xFFFF), bytes, length - 2);
  return checksum_update_bytewise(2, bytes + length - 2, crc);
}

uint32_t checksum_update_clmul_wide(const uint32_t length, const unsigned char* bytes,
                                    const uint32_t accumulator) {
  if (length < 2) return checksum_update_bytewise(length, bytes, accumulator);
  const uint16_t crc =
      crc16_clmul_wide(static_cast<uint16_t>(accumulator & 0xFFFF), bytes, length - 2);
  return checksum_update_bytewise(2, bytes + length - 2, crc);
}

}  // namespace blobsmith
