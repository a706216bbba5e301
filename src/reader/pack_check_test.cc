// blobsmith_verify on packs opened every way, and its incremental form over
// the same bytes in pieces, against one table of changed packs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "blobsmith/reader.h"
#include "format/pack_format.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

const std::string kSound = sound_pack_image({{"a\\one", pattern_bytes(700, 1), false},
                                             {"", "", true},
                                             {"b", pattern_bytes(3000, 2), false}});

std::string with_word(std::string image, const size_t at, const uint32_t word) {
  put_u32_le(reinterpret_cast<unsigned char*>(&image[at]), word);
  return image;
}

// The incremental check over image in pieces of `piece` bytes. Once every
// byte is given, an update that said the bytes cannot be a whole pack has
// said what the end says.
int verify_in_pieces(const std::string& image, const size_t piece) {
  blobsmith_verify_state state;
  EXPECT_EQ(blobsmith_verify_begin(&state), BLOBSMITH_OK);
  int last = BLOBSMITH_OK;
  for (size_t at = 0; at < image.size(); at += piece) {
    last = blobsmith_verify_update(&state, image.data() + at, std::min(piece, image.size() - at));
  }
  const int verdict = blobsmith_verify_end(&state);
  if (last != BLOBSMITH_OK) {
    EXPECT_EQ(last, verdict);
  }
  return verdict;
}

TEST(PackCheck, EveryWayGivesOneVerdict) {
  const size_t first_entry = PACK_TABLE_OFFSET;
  const size_t third_entry = PACK_TABLE_OFFSET + 2 * PACK_ENTRY_SIZE;
  std::string flipped = kSound;
  flipped[PACK_DATA_OFFSET + 5] ^= 1;
  const struct {
    std::string image;
    int status;
  } cases[] = {
      {kSound, BLOBSMITH_OK},
      {flipped, BLOBSMITH_ERROR_CHECKSUM},
      {with_word(kSound, kSound.size() - 4, 0), BLOBSMITH_ERROR_CHECKSUM},
      // No checksum by the header: not shown whole, even with a right word.
      {with_word(kSound, HEADER_CHECKSUM_MODE_AT, 0), BLOBSMITH_ERROR_CHECKSUM},
      // A member into the checksum word, one inside the table.
      {with_word(kSound, third_entry + ENTRY_BYTE_SIZE_AT, 3073), BLOBSMITH_ERROR_DAMAGED},
      {with_word(kSound, first_entry + ENTRY_START_BLOCK_AT, 4), BLOBSMITH_ERROR_DAMAGED},
      // A negative size is no member.
      {with_word(with_word(kSound, third_entry + ENTRY_BYTE_SIZE_AT, 0xFFFFFFFF), kSound.size() - 4,
                 0),
       BLOBSMITH_ERROR_CHECKSUM},
  };
  ScopedTempDir temp;
  std::vector<unsigned char> work(1000);
  for (const auto& c : cases) {
    write_file("pack.bin", c.image);
    const blobsmith_io io{read_image, c.image.size(), const_cast<std::string*>(&c.image)};
    blobsmith_pack* packs[3] = {};
    ASSERT_EQ(blobsmith_open_memory(c.image.data(), c.image.size(), nullptr, &packs[0]),
              BLOBSMITH_OK);
    ASSERT_EQ(blobsmith_open_io(&io, nullptr, &packs[1]), BLOBSMITH_OK);
    ASSERT_EQ(blobsmith_open_file("pack.bin", nullptr, &packs[2]), BLOBSMITH_OK);
    for (const blobsmith_pack* pack : packs) {
      EXPECT_EQ(blobsmith_verify(pack, nullptr, 0), c.status);
      EXPECT_EQ(blobsmith_verify(pack, work.data(), work.size()), c.status);
    }
    for (const size_t piece : {size_t{1}, size_t{3}, size_t{4}, size_t{4093}, c.image.size()}) {
      EXPECT_EQ(verify_in_pieces(c.image, piece), c.status) << piece;
    }
    for (blobsmith_pack* pack : packs) blobsmith_close(pack);
  }
}

TEST(PackCheck, StreamsStopEarlyAndSayWhatAnOpenWould) {
  blobsmith_verify_state state;
  ASSERT_EQ(blobsmith_verify_begin(&state), BLOBSMITH_OK);
  EXPECT_EQ(blobsmith_verify_end(&state), BLOBSMITH_ERROR_TRUNCATED);
  // Known as soon as the header is whole.
  EXPECT_EQ(blobsmith_verify_update(&state, std::string(511, 'x').data(), 511), BLOBSMITH_OK);
  EXPECT_EQ(blobsmith_verify_update(&state, "x", 1), BLOBSMITH_ERROR_NOT_A_PACK);
  EXPECT_EQ(blobsmith_verify_end(&state), BLOBSMITH_ERROR_NOT_A_PACK);
  EXPECT_EQ(verify_in_pieces(pack_image(0, {}, ""), 100), BLOBSMITH_ERROR_ENTRY_COUNT);
  EXPECT_EQ(verify_in_pieces(kSound.substr(0, PACK_TABLE_OFFSET + 3 * PACK_ENTRY_SIZE - 1), 7),
            BLOBSMITH_ERROR_TRUNCATED);
  // A member before the data area is known from its entry.
  const std::string early =
      with_word(kSound, PACK_TABLE_OFFSET + ENTRY_START_BLOCK_AT, 1).substr(0, 2200);
  ASSERT_EQ(blobsmith_verify_begin(&state), BLOBSMITH_OK);
  EXPECT_EQ(blobsmith_verify_update(&state, early.data(), early.size()), BLOBSMITH_ERROR_DAMAGED);
  blobsmith_verify_state never_begun{};
  EXPECT_EQ(blobsmith_verify_update(&never_begun, "x", 1), BLOBSMITH_ERROR_ARGUMENT);
  EXPECT_EQ(blobsmith_verify_end(&never_begun), BLOBSMITH_ERROR_ARGUMENT);
  EXPECT_EQ(sizeof(blobsmith_verify_state), 128u);
}

TEST(PackCheck, ReadFailuresAreSaid) {
  const blobsmith_io failing{[](void* context, uint64_t offset, void* buffer, size_t length) {
                               return offset >= PACK_DATA_OFFSET
                                          ? int64_t{-1}
                                          : read_image(context, offset, buffer, length);
                             },
                             kSound.size(), const_cast<std::string*>(&kSound)};
  blobsmith_pack* pack = nullptr;
  ASSERT_EQ(blobsmith_open_io(&failing, nullptr, &pack), BLOBSMITH_OK);
  EXPECT_EQ(blobsmith_verify(pack, nullptr, 0), BLOBSMITH_ERROR_READ);
  blobsmith_close(pack);
}

}  // namespace
}  // namespace blobsmith
