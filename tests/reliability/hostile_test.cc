// Hostile packs, output trees that lead elsewhere, and attacks on both modes
// through the seam (a level swapped for a link, sources swapped for the pack,
// a source cut short, a FIFO never opened). Each run must print exactly
// its lines, return its status and change nothing outside its output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "format/pack_format.h"
#include "support/fault_io.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

using Tree = std::vector<std::string>;

// What a run printed after its usage box.
std::string lines_of(const std::vector<std::string>& args, int* status) {
  fault_reset();
  return run_tool(args, status).substr(usage_box(args[0]).size());
}

// Every path but those below skip, with the bytes of each file.
Tree outside(const std::string& skip) {
  Tree seen;
  for (const std::string& path : list_tree(".")) {
    if (path.compare(0, skip.size(), skip) != 0) seen.push_back(path + "=" + read_file(path));
  }
  return seen;
}

struct Case {  // count -1: the number of entries; tree: below out
  const char* why;
  int32_t count;
  std::vector<ImageEntry> entries;
  std::string lines;
  int status;
  Tree tree;
};

TEST(Hostile, PacksWithBadNamesCountsOffsetsAndSizes) {
  // clang-format off
  const std::vector<Case> cases = {
      {"parent level", -1, {{"..\\evil", 260, 10}}, "..\\evil unsafe name, skipped !!!\n", 1, {}},
      {"no terminator", -1, {{std::string(56, 'n'), 260, 10}},
       std::string(55, 'n') + " unsafe name, skipped !!!\n", 1, {}},
      {"control bytes", -1, {{"a\nb open failed !!!\x1b[2J", 260, 10}, {"q\x1b[2J\\", 260, 1}},
       "q\\x1B[2J\\ open failed !!!\n", 1, {"a\nb open failed !!!\x1b[2J"}},
      {"separators and dots", -1, {{"a/b\\\\c", 260, 10}, {".\\x\\.\\y", 260, 600}}, "", 0,
       {"a", "a/b", "a/b/c", "x", "x/y"}},
      {"file, then a level of its name", -1, {{"a", 260, 10}, {"a\\b", 260, 10}},
       "a\\b collides with a, skipped !!!\n", 1, {"a"}},
      {"level, then a file of its name", -1, {{"a\\b", 260, 10}, {"a", 260, 10}},
       "a collides with a\\b, skipped !!!\n", 1, {"a", "a/b"}},
      {"one file by three names: the first stands", -1,
       {{"a\\b", 260, 10}, {"a\\.\\b", 260, 1}, {"a\\\\b", 260, 2}, {"z", 260, 0}},
       "a\\.\\b collides with a\\b, skipped !!!\na\\\\b collides with a\\b, skipped !!!\n", 1,
       {"a", "a/b", "z"}},
      {"zeroed entry and trailing separator", -1, {{"", 0, 0}, {"d\\", 260, 1}},
       " open failed !!!\nd\\ open failed !!!\n", 1, {}},
      {"count 0", 0, {{"a", 260, 1}}, "res.bin holds no members, nothing extracted !!!\n", 2, {}},
      {"count 2048", 2048, {}, "res.bin holds no members, nothing extracted !!!\n", 2, {}},
      {"count negative", INT_MIN, {}, "res.bin holds no members, nothing extracted !!!\n", 2, {}},
      {"negative size, sizes past the end", -1,
       {{"neg", 260, -5}, {"long", 262, 5000}, {"far", 9999, 3}, {"wrap", 1u << 22, 3}},
       "long read failed !!!\nfar read failed !!!\nwrap read failed !!!\n", 1,
       {"far", "long", "neg", "wrap"}},
      {"a member at block 0: the header's first bytes", -1, {{"head", 0, 4}}, "", 0, {"head"}},
      {"table cut inside its second entry", 3, {{"a", 260, 1}},
       "res.bin read failed !!!\nres.bin read failed !!!\na read failed !!!\n"
       " open failed !!!\n open failed !!!\n", 1, {"a"}},
  };
  // clang-format on
  // With one thread, and with three: the same lines and the same tree.
  for (const char* jobs : {"1", "3"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.why) + ", -j " + jobs);
      ScopedTempDir temp;
      const int32_t count = c.count == -1 ? static_cast<int32_t>(c.entries.size()) : c.count;
      std::string image = pack_image(count, c.entries, pattern_bytes(4 * PACK_BLOCK_SIZE, 11));
      if (count == 3) image.resize(PACK_TABLE_OFFSET + PACK_ENTRY_SIZE + 10);
      write_file("res.bin", image);
      write_file("beside/keep.txt", "left alone");
      const Tree before = outside("out");
      int status = -1;
      EXPECT_EQ(lines_of({"--unpack", "-j", jobs, "-o", "out"}, &status), c.lines);
      if (c.tree == Tree{"head"}) {
        EXPECT_EQ(read_file("out/head"), "SFHI");
      }
      EXPECT_EQ(status, c.status);
      EXPECT_EQ(list_tree("out"), c.tree);
      EXPECT_EQ(outside("out"), before);
      if (c.tree.size() == 4) {  // what the pack held, then zeros to the end of that block
        EXPECT_TRUE(read_file("out/long") == pattern_bytes(4 * PACK_BLOCK_SIZE, 11).substr(1024) +
                                                 std::string(PACK_BLOCK_SIZE, '\0'));
        EXPECT_TRUE(read_file("out/far") == std::string(3, '\0'));
      }
      if (c.tree.size() == 3) {
        EXPECT_EQ(read_file("out/a/b"), pattern_bytes(4 * PACK_BLOCK_SIZE, 11).substr(0, 10));
      }
    }
  }
}

// With one thread and with several.
TEST(Hostile, OutputTreeThatLeadsElsewhere) {
  for (const char* jobs : {"1", "4"}) {
    ScopedTempDir temp;
    umask(022);
    write_file("outside/file", "outside");
    write_file("outside/hard", "shared");
    ASSERT_EQ(mkdir("out", 0777), 0);
    ASSERT_EQ(symlink("../outside", "out/level"), 0);
    ASSERT_EQ(symlink("../outside/file", "out/leaf"), 0);
    ASSERT_EQ(link("outside/hard", "out/hard"), 0);
    ASSERT_EQ(mkdir("out/dir", 0777), 0);
    write_file("out/old", "o");
    // clang-format off
  write_file("out/res.bin", pack_image(6, {{"level\\f", 260, 1}, {"leaf", 260, 1}, {"hard", 260, 3},
                                           {"dir", 260, 1}, {"old", 260, 0}, {"res.bin", 260, 1}},
                                       "new"));
    // clang-format on
    const std::string pack = read_file("out/res.bin");
    const Tree before = outside("out");
    int status = -1;
    EXPECT_EQ(lines_of({"--unpack", "-j", jobs, "-i", "out/res.bin", "-o", "out"}, &status),
              "out/level is a link or special file, skipped !!!\n"
              "out/leaf is a link or special file, skipped !!!\n"
              "dir open failed !!!\n"
              "res.bin is the pack being read, skipped !!!\n");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(outside("out"), before);  // the hard link's other name kept its bytes
    EXPECT_EQ(read_file("out/hard"), "new");
    EXPECT_EQ(read_file("out/old"), "");
    struct stat made;  // made anew with the mode of a new file
    EXPECT_TRUE(stat("out/hard", &made) == 0 && (made.st_mode & 0777) == 0644);
    EXPECT_TRUE(read_file("out/res.bin") == pack);
  }
}

// was_opened: true when anything opened path since watch_opens began.
int watch_opens(const char* path) {
  const int watch = inotify_init1(IN_NONBLOCK);
  EXPECT_GE(inotify_add_watch(watch, path, IN_OPEN), 0);
  return watch;
}
bool was_opened(const int watch) {
  alignas(inotify_event) char events[4096];
  const bool opened = read(watch, events, sizeof events) > 0;
  close(watch);
  return opened;
}

TEST(Hostile, AFifoIsLookedAtButNeverOpened) {
  ScopedTempDir temp;
  // a/x, walked first, sorts after a.pipe; a reader waits on the FIFO.
  write_file("res/a/x", "a");
  ASSERT_EQ(mkfifo("res/a.pipe", 0666), 0);
  const int reader = open("res/a.pipe", O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  int watch = watch_opens("res/a.pipe");
  int status = -1;
  EXPECT_EQ(lines_of({"--pack", "-o", "res.bin"}, &status).substr(0, 25),
            "a.pipe open failed !!!\ncr");
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(was_opened(watch)) << "packing opened the FIFO";
  write_file("res.bin", pack_image(2, {{"a.pipe", 260, 1}, {"a\\x", 260, 1}}, "x"));
  watch = watch_opens("res/a.pipe");
  EXPECT_EQ(lines_of({"--unpack", "-o", "res"}, &status),
            "res/a.pipe is a link or special file, skipped !!!\n");
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(was_opened(watch)) << "unpacking opened the FIFO";
  close(reader);
}

TEST(Hostile, AWriteThatFailsAtCloseIsReported) {
  ScopedTempDir temp;
  write_file("res.bin", pack_image(1, {{"big", 260, 1500}}, pattern_bytes(1536, 1)));
  rlimit saved, limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  limit = {1024, saved.rlim_max};  // the member's bytes reach the disk at close
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  int status = -1;
  const std::string lines = lines_of({"--unpack", "-o", "out"}, &status);
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(lines, "out/big write failed !!!\n");
  EXPECT_EQ(status, 1);
  // The pack's checksum word, its last bytes, reaches the disk at close.
  write_file("res/a", "a");
  write_file("p.bin", "earlier");
  limit.rlim_cur = PACK_DATA_OFFSET + PACK_BLOCK_SIZE + 3;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const std::string packed = lines_of({"--pack", "-o", "p.bin"}, &status);
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(packed.substr(packed.find('\n') + 1), "p.bin write failed !!!\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(read_file("p.bin"), "earlier");
}

TEST(Hostile, LevelSwappedForALinkBetweenMembers) {
  ScopedTempDir temp;
  umask(022);
  write_file("res.bin",
             pack_image(3, {{"d\\a", 260, 2}, {"d\\b", 260, 3}, {"d\\e\\c", 260, 1}}, "abc"));
  ASSERT_EQ(mkdir("outside", 0777), 0);
  int status = -1;
  fault_reset();
  // Once d\a is written, d is moved away and a link to outside put there.
  const auto swap = [] {
    ASSERT_EQ(rename("out/d", "out/moved"), 0);
    ASSERT_EQ(symlink("../outside", "out/d"), 0);
  };
  fault_hook(FAULT_OUT_CREATE, 2, swap);
  run_tool({"--unpack", "-o", "out"}, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(list_tree("outside"), Tree{});
  EXPECT_EQ(list_tree("out"), (Tree{"d", "moved", "moved/a", "moved/b", "moved/e", "moved/e/c"}));
  EXPECT_EQ(fault_count(FAULT_OUT_LEVEL), 2);  // d was entered once for all three members
  struct stat made;                            // a new file's mode
  EXPECT_TRUE(stat("out/moved/a", &made) == 0 && (made.st_mode & 0777) == 0644);
  EXPECT_TRUE(stat("out/moved/e", &made) == 0 && (made.st_mode & 0777) == 0755 &&
              stat("out", &made) == 0 && (made.st_mode & 0777) == 0755);

  // With four threads, the swap comes at any of the first calls of each
  // kind while other members are made: each member then lands in the
  // directory that was d, or is reported; nothing lands outside.
  std::vector<ImageEntry> members;
  for (const char* name : {"d\\a", "d\\b", "d\\e\\c", "d\\e\\f", "d\\e\\g\\h", "d\\i", "x\\y"}) {
    members.push_back({name, 260, 1});
  }
  write_file("many.bin", pack_image(7, members, "a"));
  for (const FaultCall call : {FAULT_OUT_CREATE, FAULT_OUT_LEVEL, FAULT_OUT_IDENTITY}) {
    for (int nth = 1; nth <= 3; ++nth) {
      SCOPED_TRACE(testing::Message() << "call " << call << " #" << nth);
      ASSERT_EQ(std::system("rm -rf out outside && mkdir outside"), 0);
      fault_reset();
      // (Before d is made there is nothing to swap.)
      fault_hook(call, nth, [] {
        if (rename("out/d", "out/moved") == 0) {
          ASSERT_EQ(symlink("../outside", "out/d"), 0);
        }
      });
      const std::string lines =
          run_tool({"--unpack", "-q", "-j", "4", "-i", "many.bin", "-o", "out"}, &status);
      EXPECT_EQ(list_tree("outside"), Tree{});
      const std::string moved = access("out/moved", F_OK) == 0 ? "out/moved/" : "out/d/";
      for (const auto& member : members) {
        std::string path = member.name.substr(2);
        for (char& c : path) c = c == '\\' ? '/' : c;
        const bool reported = lines.find(member.name + " ") != std::string::npos ||
                              lines.find("out/d is a link") != std::string::npos;
        EXPECT_TRUE(member.name[0] == 'x' ? read_file("out/x/y") == "a"
                                          : read_file(moved + path).size() == 1 || reported)
            << member.name << "\n"
            << lines;
      }
    }
  }
}

// A pack run into output with hook run just before the nth status taken
// (the first is the new pack's own; the next, each source's once open).
std::string pack_with_hook(const char* output, const int nth, std::function<void()> hook,
                           int* status) {
  fault_reset();
  fault_hook(FAULT_STATUS, nth, std::move(hook));
  return run_tool({"--pack", "-o", output}, status).substr(usage_box("--pack").size());
}

TEST(Hostile, ThePackIsNeverPackedIntoItselfNorReplacesASource) {
  ScopedTempDir temp;
  write_file("res/a", "a");
  ASSERT_EQ(symlink("a", "res/c"), 0);  // a link that is not the pack is packed
  ASSERT_EQ(symlink("../out.bin", "res/b"), 0);
  int status = -1;
  EXPECT_EQ(lines_of({"--pack", "-o", "out.bin"}, &status).substr(0, 18), "b open failed !!!\n");
  EXPECT_EQ(status, 1);
  // Now b names the earlier pack, which is left out.
  EXPECT_EQ(lines_of({"--pack", "-o", "out.bin"}, &status).substr(0, 4), "crc=");
  EXPECT_EQ(read_file("out.bin").size(), 134148u);
  // After the walk, a is made a name of the earlier pack and c a link to the
  // new one: neither is copied into the pack.
  const std::string lines = pack_with_hook(
      "out.bin", 1,
      [] {
        ASSERT_EQ(unlink("res/c") + unlink("res/a") + link("out.bin", "res/a"), 0);
        bool unnamed = false;
        const std::string pack =
            pack_being_written("self", std::filesystem::current_path().string(), &unnamed);
        ASSERT_NE(pack, "");
        ASSERT_EQ(symlink(pack.c_str(), "res/c"), 0);
      },
      &status);
  EXPECT_EQ(lines.substr(0, 82),
            "a is the pack being written, skipped !!!\nc is the pack being written, skipped !!!\n");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(read_file("out.bin").size(), 133124u);  // two zeroed entries, no data
  // A name of a file that is not a pack: replacing it would lose it.
  write_file("other.bin", "precious");
  EXPECT_EQ(pack_with_hook(
                "other.bin", 1, [] { ASSERT_EQ(unlink("res/a") + link("other.bin", "res/a"), 0); },
                &status),
            "other.bin is one of the files to pack, nothing written !!!\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(read_file("other.bin"), "precious");
}

TEST(Hostile, ASourceCutShortWhilePackedIsReportedOnce) {
  ScopedTempDir temp;
  const std::string bytes = pattern_bytes(50 * 512 + 7, 4);
  write_file("res/big", bytes);
  int status = -1;
  EXPECT_EQ(pack_with_hook(
                "p.bin", 2, [] { ASSERT_EQ(truncate("res/big", 1000), 0); }, &status)
                .substr(0, 20),
            "big read failed !!!\n");
  EXPECT_EQ(status, 1);
  const std::string image = read_file("p.bin");
  ASSERT_EQ(image.size(), PACK_DATA_OFFSET + 51u * 512 + 4);
  EXPECT_TRUE(image.substr(PACK_DATA_OFFSET, 51 * 512) ==
              bytes.substr(0, 1000) + std::string(51 * 512 - 1000, '\0'));
}

}  // namespace
}  // namespace blobsmith
