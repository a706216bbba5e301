// The --verify mode: every rule the packer keeps, checked on a file.
#include "inspect/verify.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "format/member_name.h"
#include "format/pack_format.h"
#include "format/printable.h"
#include "platform/io.h"
#include "read/file_fold.h"
#include "read/io_source.h"

namespace blobsmith {

namespace {

constexpr int64_t MIN_PACK_LENGTH = int64_t{PACK_DATA_OFFSET} + PACK_CHECKSUM_SIZE;

// The bytes between a member's last byte and the end of its last block,
// which the packer writes as zeros.
struct PaddingRange {
  int64_t begin;
  int64_t end;
  int32_t entry;
  bool reported;
  std::string name;  // printable
};

struct Verification {
  const char* path;
  IoFile* file;
  int64_t file_size;
  int problems;
  bool unreadable;
  std::vector<PaddingRange> padding;
  std::map<std::string, int32_t> files;  // file key -> the first entry landing there
  std::vector<std::string> names;        // each entry's decoded name, by index
};

// A read that failed: the file cannot be checked further.
void read_failed(Verification* v) {
  std::printf("%s read failed !!!\n", printable(v->path).c_str());
  ++v->problems;
  v->unreadable = true;
}

// The offset of the first non-zero byte in image[begin, end), or -1.
int64_t first_non_zero(const unsigned char* image, const int64_t begin, const int64_t end) {
  for (int64_t i = begin; i < end; ++i) {
    if (image[i] != 0) return i;
  }
  return -1;
}

bool all_digits(const char* text, const int size) {
  for (int i = 0; i < size; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

void check_header(const unsigned char (&image)[PACK_HEADER_SIZE], const PackHeader& header,
                  Verification* v) {
  if (std::memcmp(header.magic, PACK_MAGIC, sizeof header.magic) != 0) {
    std::printf("header magic is not \"SFHI\" !!!\n");
    ++v->problems;
  }
  if (header.fixed_word_1 != PACK_FIXED_WORD_1) {
    std::printf("header word at offset 4 is 0x%08x, expected 0x%08x !!!\n",
                static_cast<unsigned>(header.fixed_word_1),
                static_cast<unsigned>(PACK_FIXED_WORD_1));
    ++v->problems;
  }
  if (header.fixed_word_2 != PACK_FIXED_WORD_2) {
    std::printf("header word at offset 8 is %u, expected %u !!!\n",
                static_cast<unsigned>(header.fixed_word_2),
                static_cast<unsigned>(PACK_FIXED_WORD_2));
    ++v->problems;
  }
  if (!all_digits(header.date_stamp, HEADER_DATE_STAMP_SIZE) ||
      !all_digits(header.time_stamp, HEADER_TIME_STAMP_SIZE)) {
    std::printf("header date and time stamps are not 12 digits !!!\n");
    ++v->problems;
  }
  if (header.entry_count < 1 || header.entry_count > PACK_MAX_USABLE_ENTRIES) {
    std::printf("header entry count %d is outside 1 to %d !!!\n",
                static_cast<int>(header.entry_count), PACK_MAX_USABLE_ENTRIES);
    ++v->problems;
  }
  if (header.checksum_mode != PACK_CHECKSUM_MODE_ON) {
    std::printf("header checksum mode is %u, expected %u !!!\n",
                static_cast<unsigned>(header.checksum_mode),
                static_cast<unsigned>(PACK_CHECKSUM_MODE_ON));
    ++v->problems;
  }
  // At most 7 characters, then zero bytes to the end of the field.
  const int64_t machine_end = HEADER_MACHINE_AT + HEADER_MACHINE_SIZE;
  const unsigned char* terminator = static_cast<const unsigned char*>(
      std::memchr(image + HEADER_MACHINE_AT, 0, HEADER_MACHINE_SIZE));
  if (terminator == nullptr || first_non_zero(image, terminator - image, machine_end) >= 0) {
    std::printf("header machine field is not zero-padded !!!\n");
    ++v->problems;
  }
  int64_t reserved = first_non_zero(image, 12, HEADER_DATE_STAMP_AT);
  if (reserved < 0)
    reserved = first_non_zero(image, HEADER_CHECKSUM_MODE_AT + 4, HEADER_MACHINE_AT);
  if (reserved < 0) reserved = first_non_zero(image, machine_end, HEADER_TAIL_SIGNATURE_AT);
  if (reserved >= 0) {
    std::printf("header reserved bytes are not zero, first at offset %" PRId64 " !!!\n", reserved);
    ++v->problems;
  }
  if (header.tail_signature != PACK_TAIL_SIGNATURE) {
    std::printf("header tail signature is 0x%08x, expected 0x%08x !!!\n",
                static_cast<unsigned>(header.tail_signature),
                static_cast<unsigned>(PACK_TAIL_SIGNATURE));
    ++v->problems;
  }
}

void check_reserved_blocks(Verification* v) {
  unsigned char blocks[PACK_RESERVED_BLOCKS * PACK_BLOCK_SIZE];
  if (io_seek(v->file, PACK_HEADER_SIZE, SEEK_SET) != 0 ||
      io_read(blocks, 1, sizeof blocks, v->file) != sizeof blocks) {
    read_failed(v);
    return;
  }
  const int64_t at = first_non_zero(blocks, 0, sizeof blocks);
  if (at >= 0) {
    std::printf("reserved blocks are not zero, first at offset %" PRId64 " !!!\n",
                at + PACK_HEADER_SIZE);
    ++v->problems;
  }
}

// Reports an entry that lands on the same file as an earlier one but is not
// the neighbour the order check already compares it with.
void check_same_file(const char* name, const int32_t index, const int32_t previous,
                     Verification* v) {
  char key[PACK_NAME_FIELD_SIZE];
  name_file_key(name, key);
  const auto first = v->files.emplace(key, index);
  if (first.second) return;
  const int32_t earlier = first.first->second;
  if (earlier == previous) {
    // Names equal but for letter case are the order check's to report.
    if (compare_folded_names(name, v->names[static_cast<size_t>(earlier)].c_str()) == 0) return;
  }
  std::printf("entry %d %s: names the same file as entry %d !!!\n", static_cast<int>(index),
              printable(name).c_str(), static_cast<int>(earlier));
  ++v->problems;
}

// Reports every entry one of whose directory levels is the file of another
// entry: one of the two cannot be made.
void check_levels(Verification* v) {
  for (const auto& file : v->files) {
    const std::string& key = file.first;
    for (size_t end = key.find('/'); end != std::string::npos; end = key.find('/', end + 1)) {
      const auto level = v->files.find(key.substr(0, end));
      if (level == v->files.end()) continue;
      const int32_t index = file.second;
      std::printf("entry %d %s: a level of it is the file of entry %d !!!\n",
                  static_cast<int>(index),
                  printable(v->names[static_cast<size_t>(index)].c_str()).c_str(),
                  static_cast<int>(level->second));
      ++v->problems;
      break;
    }
  }
}

// Checks the used entries and the data layout they describe, and collects
// the padding ranges for the data pass. Returns the number of data blocks
// the members take.
int64_t check_entries(const unsigned char* table, const int32_t count, Verification* v) {
  int64_t next_block = PACK_DATA_FIRST_BLOCK;
  int64_t total_blocks = 0;
  int32_t previous = -1;  // the last entry that names a member
  PackEntry previous_entry;
  std::memset(&previous_entry, 0, sizeof previous_entry);
  for (int32_t i = 0; i < count; ++i) {
    unsigned char image[PACK_ENTRY_SIZE];
    std::memcpy(image, table + static_cast<size_t>(i) * PACK_ENTRY_SIZE, PACK_ENTRY_SIZE);
    PackEntry entry;
    const bool terminated = decode_entry(image, &entry) == 0;
    v->names.emplace_back(entry.name);
    if (first_non_zero(image, 0, PACK_ENTRY_SIZE) < 0) continue;  // a source not packed
    const int index = static_cast<int>(i);
    if (entry.name[0] == '\0') {
      std::printf("entry %d has no name but is not all zero !!!\n", index);
      ++v->problems;
      continue;
    }
    const std::string shown = printable(entry.name);
    const char* name = shown.c_str();
    if (!terminated) {
      std::printf("entry %d %s: name is not terminated !!!\n", index, name);
      ++v->problems;
    } else if (first_non_zero(image, static_cast<int64_t>(std::strlen(entry.name)),
                              PACK_NAME_FIELD_SIZE) >= 0) {
      std::printf("entry %d %s: bytes after the name are not zero !!!\n", index, name);
      ++v->problems;
    }
    const NameFault fault = member_name_fault(entry.name);
    if (!member_name_is_safe(entry.name)) {
      std::printf("entry %d %s: unsafe name !!!\n", index, name);
      ++v->problems;
    } else if (fault != NAME_CANONICAL) {
      std::printf("entry %d %s: name %s !!!\n", index, name, name_fault_text(fault));
      ++v->problems;
    }
    const WindowsHazard hazard = windows_hazard(entry.name);
    if (hazard != HAZARD_NONE) {
      std::printf("entry %d %s: cannot be made on Windows, %s !!!\n", index, name,
                  windows_hazard_text(hazard));
      ++v->problems;
    }
    check_same_file(entry.name, i, previous, v);
    if (previous >= 0) {
      const int order = compare_folded_names(previous_entry.name, entry.name);
      if (order == 0 && std::strcmp(previous_entry.name, entry.name) == 0) {
        std::printf("entry %d %s: same name as entry %d !!!\n", index, name,
                    static_cast<int>(previous));
        ++v->problems;
      } else if (order == 0) {
        // Neither the reader nor a file system that folds case can tell
        // the two apart.
        std::printf("entry %d %s: differs only in letter case from entry %d !!!\n", index, name,
                    static_cast<int>(previous));
        ++v->problems;
      } else if (order > 0) {
        std::printf("entry %d %s: out of order after %s !!!\n", index, name,
                    printable(previous_entry.name).c_str());
        ++v->problems;
      }
    }
    if (entry.byte_size < 0) {
      std::printf("entry %d %s: negative byte size %d !!!\n", index, name,
                  static_cast<int>(entry.byte_size));
      ++v->problems;
    }
    const int64_t start = entry.start_block;
    const int64_t blocks = blocks_for_size(entry.byte_size);
    if (start != next_block) {
      std::printf("entry %d %s: starts at block %" PRId64 ", expected %" PRId64 " !!!\n", index,
                  name, start, next_block);
      ++v->problems;
    }
    const int64_t data_end = (start + blocks) * PACK_BLOCK_SIZE;
    if (blocks > 0 && data_end > v->file_size - PACK_CHECKSUM_SIZE) {
      std::printf("entry %d %s: data runs past the end of the file !!!\n", index, name);
      ++v->problems;
    } else if (blocks > 0 && start >= PACK_DATA_FIRST_BLOCK) {
      const int64_t last_byte = start * PACK_BLOCK_SIZE + entry.byte_size;
      if (last_byte < data_end) {
        v->padding.push_back(PaddingRange{last_byte, data_end, i, false, shown});
      }
    }
    next_block = start + blocks;
    total_blocks += blocks;
    previous = i;
    previous_entry = entry;
  }
  check_levels(v);
  return total_blocks;
}

void check_table(const int32_t count, Verification* v, int64_t* data_blocks) {
  const size_t table_size = size_t{PACK_MAX_ENTRIES} * PACK_ENTRY_SIZE;
  unsigned char* table = static_cast<unsigned char*>(std::malloc(table_size));
  if (table == nullptr) {
    std::printf("%s cannot be checked, out of memory !!!\n", printable(v->path).c_str());
    ++v->problems;
    return;
  }
  if (read_pack_table(io_source(v->file), PACK_MAX_ENTRIES, table) != PACK_MAX_ENTRIES) {
    read_failed(v);
  } else if (entry_count_usable(count)) {
    *data_blocks = check_entries(table, count, v);
    const int64_t unused =
        first_non_zero(table, int64_t{count} * PACK_ENTRY_SIZE, static_cast<int64_t>(table_size));
    if (unused >= 0) {
      std::printf("unused table slots are not zero, first at slot %d !!!\n",
                  static_cast<int>(unused / PACK_ENTRY_SIZE));
      ++v->problems;
    }
  }
  std::free(table);
}

// The data pass: checks the padding ranges that overlap each chunk.
struct PaddingCheck {
  Verification* v;
  size_t first_open;  // the first range not yet passed
};

void check_padding(void* context, const unsigned char* chunk, const int64_t at, const size_t size) {
  PaddingCheck* check = static_cast<PaddingCheck*>(context);
  std::vector<PaddingRange>& ranges = check->v->padding;
  const int64_t length = static_cast<int64_t>(size);
  for (size_t r = check->first_open; r < ranges.size() && ranges[r].begin < at + length; ++r) {
    PaddingRange& range = ranges[r];
    const int64_t begin = std::max(range.begin, at);
    const int64_t end = std::min(range.end, at + length);
    if (!range.reported && begin < end && first_non_zero(chunk, begin - at, end - at) >= 0) {
      range.reported = true;
      std::printf("entry %d %s: padding after the last byte is not zero !!!\n",
                  static_cast<int>(range.entry), range.name.c_str());
      ++check->v->problems;
    }
  }
  while (check->first_open < ranges.size() && ranges[check->first_open].end <= at + length) {
    ++check->first_open;
  }
}

// Folds every byte before the checksum word, checking padding on the way,
// and compares the result with the stored word.
void check_data_and_checksum(Verification* v) {
  std::sort(v->padding.begin(), v->padding.end(),
            [](const PaddingRange& a, const PaddingRange& b) { return a.begin < b.begin; });
  PaddingCheck check{v, 0};
  const ChunkVisitor visitor{check_padding, &check};
  const int64_t body = v->file_size - PACK_CHECKSUM_SIZE;
  uint32_t accumulator = 0;
  unsigned char word[PACK_CHECKSUM_SIZE];
  if (fold_file(v->file, body, &accumulator, &visitor) != 0 ||
      io_read(word, 1, sizeof word, v->file) != sizeof word) {
    read_failed(v);
    return;
  }
  const uint32_t stored = get_u32_le(word);
  if (stored != accumulator) {
    std::printf("checksum is 0x%08x, computed 0x%08x !!!\n", static_cast<unsigned>(stored),
                static_cast<unsigned>(accumulator));
    ++v->problems;
  }
}

void verify_open_file(Verification* v) {
  FileStatus status;
  if (io_status(v->file, &status) != 0) {
    read_failed(v);
    return;
  }
  v->file_size = status.size;
  PackHead head;
  read_pack_head(io_source(v->file), &head);
  // --verify reports every header rule on its own line, so of the gate it
  // takes only whether there is a header to check.
  if (check_pack_header(head) == PACK_HEADER_SHORT) {
    std::printf("file is %" PRId64 " bytes, shorter than a pack header !!!\n", v->file_size);
    ++v->problems;
    return;
  }
  // The packer writes whole blocks and a checksum word, below 2 GiB: a file
  // of any other length is not read further.
  if (v->file_size > PACK_MAX_FILE_SIZE) {
    std::printf("file is %" PRId64 " bytes, more than a pack can hold !!!\n", v->file_size);
    ++v->problems;
    return;
  }
  if ((v->file_size - PACK_CHECKSUM_SIZE) % PACK_BLOCK_SIZE != 0) {
    std::printf("file is %" PRId64 " bytes, not whole blocks and a checksum word !!!\n",
                v->file_size);
    ++v->problems;
    return;
  }
  check_header(head.header_image, head.header, v);
  if (v->file_size < MIN_PACK_LENGTH) {
    std::printf("file is %" PRId64 " bytes, shorter than the header, table and checksum !!!\n",
                v->file_size);
    ++v->problems;
    return;
  }
  check_reserved_blocks(v);
  int64_t data_blocks = -1;
  check_table(head.header.entry_count, v, &data_blocks);
  if (data_blocks >= 0) {
    const int64_t expected = MIN_PACK_LENGTH + data_blocks * PACK_BLOCK_SIZE;
    if (expected != v->file_size) {
      std::printf("file is %" PRId64 " bytes, expected %" PRId64 " !!!\n", v->file_size, expected);
      ++v->problems;
    }
  }
  if (!v->unreadable) check_data_and_checksum(v);
}

}  // namespace

Verdict verify_pack(const char* path) {
  const std::string shown = printable(path);
  Verification v{path, io_open(path), 0, 0, false, {}, {}, {}};
  if (v.file == nullptr) {
    std::printf("%s open failed !!!\n", shown.c_str());
    ++v.problems;
    v.unreadable = true;
  } else {
    verify_open_file(&v);
    io_close(v.file);
  }
  if (v.problems == 0) {
    std::printf("%s is sound\n", shown.c_str());
  } else {
    std::printf("%s is not sound, %d problem%s !!!\n", shown.c_str(), v.problems,
                v.problems == 1 ? "" : "s");
  }
  return Verdict{v.problems, v.unreadable};
}

int run_verify_command(char** argv) {
  const char* input = "res.bin";
  const char* quiet = nullptr;
  const OptionRule rules[] = {
      {"-i", OPTION_VALUE, &input, nullptr},
      {"-q", OPTION_FLAG, &quiet, nullptr},
      {"-v", OPTION_VERSION, nullptr, nullptr},
  };
  OptionRefusal refusal;
  const OptionWalk walk = read_options(argv, rules, sizeof rules / sizeof rules[0], &refusal);
  if (quiet == nullptr) print_verify_usage();
  if (walk == OPTIONS_VERSION) {
    print_version_line();
    return RUN_DONE;
  }
  if (walk == OPTIONS_REFUSED) {
    print_option_refusal(stdout, refusal, "--verify", "nothing checked");
    return RUN_NOT_DONE;
  }
  const Verdict verdict = verify_pack(input);
  if (verdict.unreadable) return RUN_NOT_DONE;
  return verdict.problems == 0 ? RUN_DONE : RUN_PARTLY_DONE;
}

}  // namespace blobsmith
