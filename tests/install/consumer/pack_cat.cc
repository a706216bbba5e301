// Prints members of a pack file by name, as a program that loads its
// resources from a pack at run time would read them.
//
//   pack_cat <pack-file> <name>...
//
// For each name: "<name>: <size> bytes", then the bytes and a line break;
// or "<name>: not found". Exits with 1 when a name is missing.
#include <cstdio>
#include <vector>

#include "read/pack_reader.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::printf("blobsmith::blobsmith and blobsmith::core %s\n", BLOBSMITH_PACKAGE_VERSION);
  PackReader reader;
  if (pack_reader_open(argv[1], &reader) != PACK_READ_OK) {
    std::printf("%s: cannot be read\n", argv[1]);
    return 2;
  }
  int status = 0;
  for (int i = 2; i < argc; ++i) {
    const int32_t index = pack_reader_find(reader, argv[i]);
    if (index < 0) {
      std::printf("%s: not found\n", argv[i]);
      status = 1;
      continue;
    }
    std::vector<char> bytes(static_cast<size_t>(pack_member_size(reader, index)) + 1);
    const int32_t size = pack_reader_read_member(&reader, index, bytes.data(),
                                                 static_cast<int32_t>(bytes.size()));
    if (size < 0) {
      std::printf("%s: read failed\n", argv[i]);
      status = 2;
      continue;
    }
    std::printf("%s: %d bytes\n", argv[i], static_cast<int>(size));
    std::fwrite(bytes.data(), 1, static_cast<size_t>(size), stdout);
    std::printf("\n");
  }
  pack_reader_close(&reader);
  return status;
}
