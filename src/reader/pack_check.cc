// blobsmith_verify and its incremental form: a pack's bytes taken in order,
// in pieces of any size, with what the check needs kept as they pass: the
// header's words, each entry's start and size, the highest end of a
// member, the checksum folded over everything but the last four bytes seen,
// and those four bytes. blobsmith_verify feeds an open pack through it, an
// image in memory in one piece and any other through a bounded buffer.
#include <cstring>

#include "blobsmith/reader.h"
#include "format/checksum.h"
#include "format/pack_format.h"
#include "reader/pack_record.h"

namespace blobsmith {

namespace {

// The header words the check needs, each kept as its four stored bytes.
enum HeaderWord { WORD_MAGIC, WORD_ENTRY_COUNT, WORD_CHECKSUM_MODE, WORD_TAIL, WORD_COUNT };
constexpr int HEADER_WORD_AT[WORD_COUNT] = {HEADER_MAGIC_AT, HEADER_ENTRY_COUNT_AT,
                                            HEADER_CHECKSUM_MODE_AT, HEADER_TAIL_SIGNATURE_AT};

struct CheckState {
  uint64_t seen;                           // bytes taken so far
  uint64_t member_end;                     // the highest end of a member's bytes so far
  uint32_t accumulator;                    // the fold of every byte but the last four seen
  uint32_t mark;                           // STATE_MARK once begun
  int32_t status;                          // BLOBSMITH_OK until the bytes cannot make a whole pack
  int32_t entry_count;                     // once the header has been seen whole
  unsigned char last[PACK_CHECKSUM_SIZE];  // the last bytes seen, oldest first
  unsigned char words[WORD_COUNT][4];
  unsigned char entry_words[8];  // start block and size of the entry being read
};
static_assert(sizeof(CheckState) <= sizeof(blobsmith_verify_state), "the state fits its record");

constexpr uint32_t STATE_MARK = 0x62636b73;  // "bcks"
constexpr uint64_t ENTRY_WORDS_AT = ENTRY_START_BLOCK_AT;
static_assert(ENTRY_BYTE_SIZE_AT == ENTRY_START_BLOCK_AT + 4 &&
                  ENTRY_BYTE_SIZE_AT + 4 == PACK_ENTRY_SIZE,
              "an entry's two words end it");

// Copies the bytes of [at, at + length) of the pack that fall inside the
// field [field, field + size) into the field's copy.
void keep_field(const unsigned char* bytes, const uint64_t at, const size_t length,
                const uint64_t field, const size_t size, unsigned char* copy) {
  const uint64_t begin = at > field ? at : field;
  const uint64_t end = at + length < field + size ? at + length : field + size;
  for (uint64_t offset = begin; offset < end; ++offset) copy[offset - field] = bytes[offset - at];
}

void take_header(CheckState* state, const unsigned char* bytes, const size_t length) {
  for (int word = 0; word < WORD_COUNT; ++word) {
    keep_field(bytes, state->seen, length, static_cast<uint64_t>(HEADER_WORD_AT[word]), 4,
               state->words[word]);
  }
  if (state->seen >= PACK_HEADER_SIZE || state->seen + length < PACK_HEADER_SIZE) return;
  // The header is whole with these bytes.
  if (std::memcmp(state->words[WORD_MAGIC], PACK_MAGIC, 4) != 0 ||
      get_u32_le(state->words[WORD_TAIL]) != PACK_TAIL_SIGNATURE) {
    state->status = BLOBSMITH_ERROR_NOT_A_PACK;
    return;
  }
  const int32_t count = static_cast<int32_t>(get_u32_le(state->words[WORD_ENTRY_COUNT]));
  if (count < 1 || count > BLOBSMITH_MAX_ENTRIES) {
    state->status = BLOBSMITH_ERROR_ENTRY_COUNT;
    return;
  }
  state->entry_count = count;
}

// Takes the start and size of every entry whose words these bytes hold
// part of, and judges each entry whose words end among them.
void take_table(CheckState* state, const unsigned char* bytes, const size_t length) {
  const uint64_t table_end =
      PACK_TABLE_OFFSET + static_cast<uint64_t>(state->entry_count) * PACK_ENTRY_SIZE;
  const uint64_t end = state->seen + length;
  if (end <= PACK_TABLE_OFFSET || state->seen >= table_end) return;
  const uint64_t from = state->seen > PACK_TABLE_OFFSET ? state->seen : PACK_TABLE_OFFSET;
  const uint64_t to = end < table_end ? end : table_end;
  for (uint64_t entry = (from - PACK_TABLE_OFFSET) / PACK_ENTRY_SIZE;
       entry < (to - PACK_TABLE_OFFSET + PACK_ENTRY_SIZE - 1) / PACK_ENTRY_SIZE; ++entry) {
    const uint64_t words_at = PACK_TABLE_OFFSET + entry * PACK_ENTRY_SIZE + ENTRY_WORDS_AT;
    keep_field(bytes, state->seen, length, words_at, sizeof state->entry_words, state->entry_words);
    if (end < words_at + sizeof state->entry_words) continue;  // its words go on
    const uint64_t start = uint64_t{get_u32_le(state->entry_words)} * PACK_BLOCK_SIZE;
    const int32_t size = static_cast<int32_t>(get_u32_le(state->entry_words + 4));
    if (size <= 0) continue;
    // Data before the data area would be header, reserved or table bytes.
    if (start < PACK_DATA_OFFSET) state->status = BLOBSMITH_ERROR_DAMAGED;
    const uint64_t member_end = start + static_cast<uint32_t>(size);
    if (member_end > state->member_end) state->member_end = member_end;
  }
}

uint32_t fold(uint32_t accumulator, const unsigned char* bytes, size_t length) {
  // checksum_update takes at most 4 GiB a call.
  constexpr size_t kPiece = size_t{1} << 30;
  for (; length > kPiece; bytes += kPiece, length -= kPiece) {
    accumulator = checksum_update(static_cast<uint32_t>(kPiece), bytes, accumulator);
  }
  return checksum_update(static_cast<uint32_t>(length), bytes, accumulator);
}

// Folds every byte but the last four seen, keeping those four back.
void take_checksum(CheckState* state, const unsigned char* bytes, const size_t length) {
  const size_t kept =
      state->seen < PACK_CHECKSUM_SIZE ? static_cast<size_t>(state->seen) : PACK_CHECKSUM_SIZE;
  if (length >= PACK_CHECKSUM_SIZE) {
    state->accumulator =
        checksum_update(static_cast<uint32_t>(kept), state->last, state->accumulator);
    state->accumulator = fold(state->accumulator, bytes, length - PACK_CHECKSUM_SIZE);
    std::memcpy(state->last, bytes + length - PACK_CHECKSUM_SIZE, PACK_CHECKSUM_SIZE);
    return;
  }
  unsigned char joined[2 * PACK_CHECKSUM_SIZE];
  std::memcpy(joined, state->last, kept);
  std::memcpy(joined + kept, bytes, length);
  const size_t total = kept + length;
  const size_t out = total > PACK_CHECKSUM_SIZE ? total - PACK_CHECKSUM_SIZE : 0;
  state->accumulator = checksum_update(static_cast<uint32_t>(out), joined, state->accumulator);
  std::memcpy(state->last, joined + out, total - out);
}

void take(CheckState* state, const unsigned char* bytes, const size_t length) {
  if (state->status == BLOBSMITH_OK && state->seen < PACK_HEADER_SIZE) {
    take_header(state, bytes, length);
  }
  if (state->status == BLOBSMITH_OK && state->entry_count > 0) take_table(state, bytes, length);
  take_checksum(state, bytes, length);
  state->seen += length;
}

int verdict(const CheckState& state) {
  // In the order an open finds them, then what only the whole pack shows.
  if (state.seen < PACK_HEADER_SIZE) return BLOBSMITH_ERROR_TRUNCATED;
  if (state.status == BLOBSMITH_ERROR_NOT_A_PACK || state.status == BLOBSMITH_ERROR_ENTRY_COUNT) {
    return state.status;
  }
  if (state.seen < PACK_TABLE_OFFSET + static_cast<uint64_t>(state.entry_count) * PACK_ENTRY_SIZE) {
    return BLOBSMITH_ERROR_TRUNCATED;
  }
  if (state.status != BLOBSMITH_OK || state.member_end > state.seen - PACK_CHECKSUM_SIZE) {
    return BLOBSMITH_ERROR_DAMAGED;
  }
  // No checksum word to hold the pack to: it cannot be shown whole.
  if (get_u32_le(state.words[WORD_CHECKSUM_MODE]) == 0) return BLOBSMITH_ERROR_CHECKSUM;
  return get_u32_le(state.last) == state.accumulator ? BLOBSMITH_OK : BLOBSMITH_ERROR_CHECKSUM;
}

bool load(const blobsmith_verify_state* from, CheckState* state) {
  std::memcpy(state, from, sizeof *state);
  return state->mark == STATE_MARK;
}

void begin(CheckState* state) {
  std::memset(state, 0, sizeof *state);
  state->mark = STATE_MARK;
}

// An open pack read in chunks through buffer into the check.
int verify_through(const blobsmith_pack* pack, unsigned char* buffer, const size_t capacity) {
  CheckState state;
  begin(&state);
  for (uint64_t at = 0; at < pack->io.size;) {
    const uint64_t left = pack->io.size - at;
    const size_t chunk = left < capacity ? static_cast<size_t>(left) : capacity;
    if (pack->io.read_at(pack->io.context, at, buffer, chunk) != static_cast<int64_t>(chunk)) {
      return BLOBSMITH_ERROR_READ;
    }
    take(&state, buffer, chunk);
    at += chunk;
  }
  return verdict(state);
}

}  // namespace

}  // namespace blobsmith

using namespace blobsmith;  // NOLINT: the C interface below implements this namespace's check

extern "C" {

int blobsmith_verify(const blobsmith_pack* pack, void* work, const size_t work_size) {
  if (pack == nullptr || (work == nullptr && work_size > 0)) return BLOBSMITH_ERROR_ARGUMENT;
  if (pack->image != nullptr) {
    CheckState state;
    begin(&state);
    take(&state, pack->image, static_cast<size_t>(pack->io.size));
    return verdict(state);
  }
  if (work != nullptr) {
    return verify_through(pack, static_cast<unsigned char*>(work), work_size);
  }
  unsigned char buffer[BLOBSMITH_VERIFY_STACK_BYTES];
  return verify_through(pack, buffer, sizeof buffer);
}

int blobsmith_verify_begin(blobsmith_verify_state* state) {
  if (state == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  std::memset(state, 0, sizeof *state);
  CheckState begun;
  begin(&begun);
  std::memcpy(state, &begun, sizeof begun);
  return BLOBSMITH_OK;
}

int blobsmith_verify_update(blobsmith_verify_state* state, const void* bytes, const size_t length) {
  CheckState check;
  if (state == nullptr || (bytes == nullptr && length > 0) || !load(state, &check)) {
    return BLOBSMITH_ERROR_ARGUMENT;
  }
  if (length > 0) take(&check, static_cast<const unsigned char*>(bytes), length);
  std::memcpy(state, &check, sizeof check);
  return check.status;
}

int blobsmith_verify_end(const blobsmith_verify_state* state) {
  CheckState check;
  if (state == nullptr || !load(state, &check)) return BLOBSMITH_ERROR_ARGUMENT;
  return verdict(check);
}

}  // extern "C"
