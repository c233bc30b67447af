#include "engine/core/archive_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/archive_writer.h"
#include "files_test_util.h"

namespace {

using files_test::Bytes;

std::uint8_t Rol(std::uint8_t b, int n) { return static_cast<std::uint8_t>(b << n | b >> (8 - n)); }

TEST(ArchiveKey, TransformPerPositionAndRepetitionOfTheKeyString) {
  std::uint8_t key[12];
  MakeArchiveKey("\x12\x12\x12\x12\x12\x12\x12\x12\x12\x12\x12\x12", key);
  const std::uint8_t b = 0x12;
  const std::uint8_t expected[12] = {
      static_cast<std::uint8_t>(~b),           Rol(b, 4),
      static_cast<std::uint8_t>(b ^ kArchiveKeyXor2), static_cast<std::uint8_t>(~Rol(b, 4)),
      static_cast<std::uint8_t>(~b),           static_cast<std::uint8_t>(b ^ kArchiveKeyXor5),
      static_cast<std::uint8_t>(~b),           static_cast<std::uint8_t>(~Rol(b, 5)),
      Rol(b, 3),                               static_cast<std::uint8_t>(b ^ kArchiveKeyXor9),
      static_cast<std::uint8_t>(Rol(b, 4) ^ kArchiveKeyXor10), static_cast<std::uint8_t>(b ^ kArchiveKeyXor11)};
  EXPECT_EQ(0, std::memcmp(key, expected, 12));

  // A short string repeats from its start; a long one is cut at 12; none and empty give the filler.
  struct Same {
    const char* a;
    const char* b;
  };
  const char filler[13] = {'\xAA', '\xAA', '\xAA', '\xAA', '\xAA', '\xAA', '\xAA', '\xAA', '\xAA', '\xAA', '\xAA', '\xAA', 0};
  static_assert(kArchiveKeyFiller == 0xAA);
  for (const Same& s : {Same{"abcde", "abcdeabcdeab"}, Same{"3842", "384238423842"},
                        Same{"0123456789abcdefghij", "0123456789ab"}, Same{nullptr, filler}, Same{"", filler}}) {
    std::uint8_t ka[12];
    std::uint8_t kb[12];
    MakeArchiveKey(s.a, ka);
    MakeArchiveKey(s.b, kb);
    EXPECT_EQ(0, std::memcmp(ka, kb, 12)) << (s.a ? s.a : "(none)");
  }
}

TEST(ArchiveKey, ScramblingFollowsTheFilePosition) {
  std::uint8_t key[12];
  MakeArchiveKey("3842", key);
  const Bytes data = files_test::RandomBytes(100, 2);
  for (std::uint32_t position : {0u, 1u, 11u, 12u, 14u, 1000003u}) {
    for (std::uint32_t length : {0u, 1u, 5u, 12u, 13u, 37u, 100u}) {
      Bytes scrambled(data.begin(), data.begin() + length);
      UnscrambleArchiveData(length, position, scrambled.data(), key);
      for (std::uint32_t i = 0; i < length; ++i) {
        ASSERT_EQ(scrambled[i], data[i] ^ key[(position + i) % 12]) << position << "+" << i;
      }
    }
  }
  // A run starting at position 14 starts with key byte 2.
  std::uint8_t zero = 0;
  UnscrambleArchiveData(1, 14, &zero, key);
  EXPECT_EQ(zero, key[2]);
}

TEST(ArchiveNameKey, PaddingSumAndCase) {
  struct Case {
    const char* name;
    int length;  // of the first component
    int words;
    const char* keyName;
  };
  const Case cases[] = {
      {"abcd", 4, 2, "ABCD"},
      {"abcdefgh", 8, 3, "ABCDEFGH"},
      {"a.b\\rest", 3, 1, "A.B"},
      {"テ.txt", 6, 2, "テ.TXT"},  // the trail byte 0x65 stays lower case
      {"表\\x", 2, 1, "表"},       // trail byte 0x5C is not a separator
  };
  for (const Case& c : cases) {
    ArchiveNameKey key;
    int length = 0;
    ASSERT_EQ(MakeArchiveNameKey(c.name, &key, &length), 0);
    EXPECT_EQ(length, c.length) << c.name;
    EXPECT_EQ(key.words, c.words) << c.name;
    const size_t n = std::strlen(c.keyName);
    EXPECT_EQ(0, std::memcmp(key.name, c.keyName, n)) << c.name;
    std::uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += static_cast<unsigned char>(c.keyName[i]);
    EXPECT_EQ(key.sum, sum & 0xFFFF) << c.name;
    for (size_t i = n; i < static_cast<size_t>(c.words) * 4; ++i) EXPECT_EQ(key.name[i], 0) << c.name;
  }
  ArchiveNameKey key;
  EXPECT_EQ(MakeArchiveNameKey(std::string(1024, 'a').c_str(), &key, nullptr), -1);
  EXPECT_EQ(MakeArchiveNameKey(std::string(1023, 'a').c_str(), &key, nullptr), 0);
}

ArchiveWriterEntry File(const char* name, Bytes data) {
  ArchiveWriterEntry e;
  e.name = name;
  e.data = std::move(data);
  return e;
}

ArchiveWriterEntry Dir(const char* name, std::vector<ArchiveWriterEntry> children) {
  ArchiveWriterEntry e;
  e.name = name;
  e.directory = true;
  e.children = std::move(children);
  return e;
}

// The members of the test tree by path, with their bytes.
struct Member {
  const char* path;
  Bytes data;
};

class ArchiveReader : public ::testing::Test {
 protected:
  void SetUp() override {
    members_ = {
        {"Readme.txt", files_test::TextBytes(5000, 1)},
        {"sub\\Noise.bin", files_test::RandomBytes(3000, 2)},
        {"sub\\deep\\Tiny", {7}},
        {"sub\\deep\\Empty", {}},
        {"テ.txt", files_test::TextBytes(100, 3)},
        {"表\\x.txt", files_test::TextBytes(300, 4)},
    };
    root_ = Dir("", {File("Readme.txt", members_[0].data),
                     Dir("Sub", {File("Noise.bin", members_[1].data),
                                 Dir("Deep", {File("Tiny", members_[2].data), File("Empty", members_[3].data)})}),
                     File("テ.txt", members_[4].data), Dir("表", {File("x.txt", members_[5].data)})});
  }

  Bytes Image(const ArchiveWriteOptions& options) {
    Bytes image;
    std::string error;
    EXPECT_TRUE(WriteArchive(root_, options, &image, &error)) << error;
    return image;
  }

  // Writes the image to a file and opens it.
  int Open(const Bytes& image, const char* keyString) {
    files_test::WriteFile(scratch_.path() / "t.zur", image);
    CloseArchiveState(&state_);
    return OpenArchiveState(&state_, "t.zur", keyString);
  }

  void TearDown() override { CloseArchiveState(&state_); }

  Bytes ReadMember(const char* path, int* result) {
    ArchiveMember member;
    *result = OpenArchiveMember(&member, &state_, path);
    if (*result != 0) return {};
    Bytes out(member.size + 8);
    const int n = ReadArchiveMember(&member, out.data(), static_cast<std::uint32_t>(out.size()));
    out.resize(static_cast<size_t>(std::max(n, 0)));
    CloseArchiveMember(&member);
    return out;
  }

  files_test::ScratchDirectory scratch_;
  std::vector<Member> members_;
  ArchiveWriterEntry root_;
  ArchiveState state_{};
};

TEST_F(ArchiveReader, EveryVersionAndCompressionReadsBack) {
  struct Case {
    int version;
    ArchiveCompression compression;
  };
  const Case cases[] = {{0, ArchiveCompression::kWhereItHelps}, {1, ArchiveCompression::kAlways},
                        {2, ArchiveCompression::kNever},        {2, ArchiveCompression::kWhereItHelps},
                        {3, ArchiveCompression::kAlways},       {3, ArchiveCompression::kWhereItHelps}};
  for (const Case& c : cases) {
    ArchiveWriteOptions options = MakeArchiveWriteOptions("3842", c.version);
    options.compression = c.compression;
    ASSERT_EQ(Open(Image(options), "3842"), 0) << c.version;
    EXPECT_EQ(state_.header.version, c.version);
    for (const Member& m : members_) {
      int result = -1;
      EXPECT_EQ(ReadMember(m.path, &result), m.data) << c.version << " " << m.path;
      EXPECT_EQ(result, 0);
    }
  }
}

TEST_F(ArchiveReader, StoredAndCompressedMembersReadAndSeekAlike) {
  for (ArchiveCompression compression : {ArchiveCompression::kNever, ArchiveCompression::kAlways}) {
    ArchiveWriteOptions options = MakeArchiveWriteOptions("3842", 3);
    options.compression = compression;
    ASSERT_EQ(Open(Image(options), "3842"), 0);
    ArchiveMember member;
    ASSERT_EQ(OpenArchiveMember(&member, &state_, "readme.txt"), 0);
    EXPECT_EQ(member.data != nullptr, compression == ArchiveCompression::kAlways);
    const Bytes& data = members_[0].data;
    std::uint8_t buffer[64];
    EXPECT_EQ(SeekArchiveMember(&member, 4990, 0), 0);
    EXPECT_EQ(ReadArchiveMember(&member, buffer, 64), 10);
    EXPECT_EQ(0, std::memcmp(buffer, data.data() + 4990, 10));
    EXPECT_EQ(ReadArchiveMember(&member, buffer, 64), 0);
    EXPECT_EQ(member.eof, 1);
    EXPECT_EQ(ReadArchiveMember(&member, buffer, 64), 0);
    SeekArchiveMember(&member, -100, 1);
    EXPECT_EQ(member.position, 4900u);
    EXPECT_EQ(member.eof, 0);
    SeekArchiveMember(&member, -7000, 2);
    EXPECT_EQ(member.position, 0u);
    SeekArchiveMember(&member, 7000, 0);
    EXPECT_EQ(member.position, 5000u);
    SeekArchiveMember(&member, 123, 2 + 5);  // any other origin counts from the start
    EXPECT_EQ(member.position, 123u);
    // A second member in between moves the shared archive file; the first still reads its own bytes.
    ArchiveMember other;
    ASSERT_EQ(OpenArchiveMember(&other, &state_, "SUB\\NOISE.BIN"), 0);
    EXPECT_EQ(ReadArchiveMember(&other, buffer, 64), 64);
    EXPECT_EQ(ReadArchiveMember(&member, buffer, 64), 64);
    EXPECT_EQ(0, std::memcmp(buffer, data.data() + 123, 64));
    CloseArchiveMember(&other);
    CloseArchiveMember(&member);
  }
}

TEST_F(ArchiveReader, LookupRules) {
  ASSERT_EQ(Open(Image(MakeArchiveWriteOptions("3842")), "3842"), 0);
  struct Case {
    const char* path;
    bool found;
  };
  const Case cases[] = {
      {"README.TXT", true},
      {"readme.txt", true},
      {"\\Readme.txt", true},
      {"sub\\deep\\tiny", true},
      {"SUB", false},                // a directory
      {"SUB\\DEEP", false},          // a directory inside a directory
      {"SUB\\DEEP\\", false},        // a path that ends in a directory
      {"README.TXT\\X", false},      // a file walked as a directory
      {"SUB\\NOISE.BIN\\TINY", false},
      {"NOPE\\README.TXT", false},   // the walk stops before the last component
      {"SUB\\README.TXT", false},
      {"テ.TXT", true},
      {"\x83\x45.TXT", false},       // the double-byte character with its trail byte upper-cased
      {"表\\X.TXT", true},
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindArchiveFileEntry(c.path, &state_) != nullptr, c.found) << c.path;
    EXPECT_EQ(state_.currentDir, 0u) << c.path;  // the current directory is restored
  }
}

TEST_F(ArchiveReader, ChangeDirectoryWalksAndRestores) {
  ASSERT_EQ(Open(Image(MakeArchiveWriteOptions("3842")), "3842"), 0);
  EXPECT_EQ(ChangeArchiveDirectory(&state_, "SUB\\DEEP", 1, nullptr), 0);
  const std::uint32_t deep = state_.currentDir;
  EXPECT_NE(deep, 0u);
  EXPECT_EQ(ChangeArchiveDirectory(&state_, ".", 1, nullptr), 0);
  EXPECT_EQ(state_.currentDir, deep);
  EXPECT_EQ(ChangeArchiveDirectory(&state_, "..", 1, nullptr), 0);
  EXPECT_EQ(ChangeArchiveDirectory(&state_, "..", 1, nullptr), 0);
  EXPECT_EQ(state_.currentDir, 0u);
  EXPECT_EQ(ChangeArchiveDirectory(&state_, "..", 1, nullptr), -1);
  EXPECT_EQ(ChangeArchiveDirectory(&state_, "SUB\\NONE\\X", 1, nullptr), -1);
  EXPECT_EQ(state_.currentDir, 0u);
  const char* stop = nullptr;
  const char path[] = "SUB\\NONE\\X";
  EXPECT_EQ(ChangeArchiveDirectory(&state_, path, 0, nullptr, &stop), -1);
  EXPECT_NE(state_.currentDir, 0u);  // stays where the walk stopped
  EXPECT_EQ(stop, path + 4);
  EXPECT_EQ(ChangeArchiveDirectory(&state_, "\\", 0, nullptr), 0);
  EXPECT_EQ(state_.currentDir, 0u);
}

TEST_F(ArchiveReader, KeysDecideWhetherTheArchiveOpens) {
  struct Case {
    const char* what;
    ArchiveWriteOptions options;
    const char* openKey;
    int result;
  };
  ArchiveWriteOptions second = MakeArchiveWriteOptions(nullptr);
  MakeSecondArchiveKey(second.key.data());
  const Case cases[] = {
      {"same key", MakeArchiveWriteOptions("3842"), "3842", 0},
      {"key of the same repetition", MakeArchiveWriteOptions("3842"), "384238423842", 0},
      {"wrong key", MakeArchiveWriteOptions("3842"), "3843", -1},
      {"no key for a keyed archive", MakeArchiveWriteOptions("3842"), nullptr, -1},
      {"empty key for a keyed archive", MakeArchiveWriteOptions("3842"), "", -1},
      {"filler archive without key", MakeArchiveWriteOptions(nullptr), nullptr, 0},
      {"filler archive with an empty key", MakeArchiveWriteOptions(nullptr), "", 0},
      {"second built-in key under any key", second, "whatever", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Open(Image(c.options), c.openKey), c.result) << c.what;
    if (c.result == 0) {
      int result = -1;
      EXPECT_EQ(ReadMember("SUB\\NOISE.BIN", &result), members_[1].data) << c.what;
    }
  }
  // A state that holds a file refuses another open.
  ASSERT_EQ(Open(Image(MakeArchiveWriteOptions(nullptr)), nullptr), 0);
  EXPECT_EQ(OpenArchiveState(&state_, "t.zur", nullptr), -1);
  EXPECT_NE(state_.file, 0);
}

// Edits the plain content of an archive image at a position and scrambles it again.
void Patch(Bytes* image, const char* keyString, std::uint32_t at, std::uint32_t value) {
  std::uint8_t key[12];
  MakeArchiveKey(keyString, key);
  UnscrambleArchiveData(static_cast<std::uint32_t>(image->size()), 0, image->data(), key);
  for (int i = 0; i < 4; ++i) (*image)[at + static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  UnscrambleArchiveData(static_cast<std::uint32_t>(image->size()), 0, image->data(), key);
}

std::uint32_t PlainU32(const Bytes& image, const char* keyString, std::uint32_t at) {
  std::uint8_t key[12];
  MakeArchiveKey(keyString, key);
  std::uint8_t b[4];
  std::memcpy(b, image.data() + at, 4);
  UnscrambleArchiveData(4, at, b, key);
  return static_cast<std::uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

TEST_F(ArchiveReader, TruncatedArchivesFailToOpen) {
  const Bytes image = Image(MakeArchiveWriteOptions("3842"));
  for (size_t size = 0; size < image.size(); size += (size < 64 ? 1 : 97)) {
    EXPECT_EQ(Open(Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size)), "3842"), -1) << size;
  }
  EXPECT_EQ(Open(image, "3842"), 0);
}

TEST_F(ArchiveReader, DamagedTablesAndDataAreRefused) {
  ArchiveWriteOptions options = MakeArchiveWriteOptions("3842", 3);
  options.compression = ArchiveCompression::kAlways;
  const Bytes image = Image(options);
  const std::uint32_t tableOffset = PlainU32(image, "3842", 12);
  const std::uint32_t fileTable = tableOffset + PlainU32(image, "3842", 16);
  const std::uint32_t dirTable = tableOffset + PlainU32(image, "3842", 20);
  // Root entries are sorted: README.TXT, SUB, テ.TXT, 表. README.TXT is the first file entry.
  struct Case {
    const char* what;
    std::uint32_t at;
    std::uint32_t value;
    bool opens;
  };
  const Case cases[] = {
      {"version 4", 0, 0x0004555A, false},
      {"table beyond the file", 4, 0x7FFFFFF0, false},
      {"table offset beyond the file", 12, 0xFFFFFFF0, false},
      {"data area beyond the file", 8, 0x7FFFFFFF, false},
      {"file table beyond the table", 16, 0xFFFFFF00, false},
      {"directory table beyond the table", 20, 0xFFFFFF00, false},
      {"root count huge", dirTable + 8, 0x10000000, true},
      {"root entries beyond the table", dirTable + 12, 0xFFFFFFF0, true},
      {"name offset beyond the table", fileTable + 0, 0xFFFFFFFC, true},
      {"data offset beyond the file", fileTable + 32, 0x7FFFFF00, true},
      {"size too large for the compressed bytes", fileTable + 36, 0x7FFFFFFF, true},
      {"compressed size beyond the file", fileTable + 40, 0x7FFFFF00, true},
      {"compressed size below the LZ header", fileTable + 40, 5, true},
      {"LZ block shorter than its header says", fileTable + 40, 20, true},
  };
  for (const Case& c : cases) {
    Bytes damaged = image;
    Patch(&damaged, "3842", c.at, c.value);
    ASSERT_EQ(Open(damaged, "3842"), c.opens ? 0 : -1) << c.what;
    if (!c.opens) continue;
    int result = 0;
    ReadMember("README.TXT", &result);
    EXPECT_EQ(result, -1) << c.what;
  }
  // A subdirectory entry pointing outside the directory table, or at itself, finds nothing below it.
  Bytes looped = image;
  const std::uint32_t subEntry = fileTable + 44;
  Patch(&looped, "3842", subEntry + 32, 0);  // SUB's directory is the root again
  ASSERT_EQ(Open(looped, "3842"), 0);
  int result = 0;
  ReadMember("SUB\\SUB\\SUB\\README.TXT", &result);
  EXPECT_EQ(result, 0);  // walks the loop without harm
  Patch(&looped, "3842", subEntry + 32, 0x7FFFFFF0);
  ASSERT_EQ(Open(looped, "3842"), 0);
  ReadMember("SUB\\NOISE.BIN", &result);
  EXPECT_EQ(result, -1);
}

TEST_F(ArchiveReader, RandomDamageNeverReadsOutsideTheFile) {
  // Flipped bytes anywhere: opening, lookups and reads end in a result, not a crash (the sanitizer build checks
  // every access).
  ArchiveWriteOptions options = MakeArchiveWriteOptions("3842", 3);
  const Bytes image = Image(options);
  std::mt19937 gen(11);
  for (int round = 0; round < 300; ++round) {
    Bytes damaged = image;
    std::uint8_t key[12];
    MakeArchiveKey("3842", key);
    UnscrambleArchiveData(static_cast<std::uint32_t>(damaged.size()), 0, damaged.data(), key);
    const int flips = 1 + static_cast<int>(gen() % 4);
    for (int f = 0; f < flips; ++f) damaged[gen() % damaged.size()] ^= static_cast<std::uint8_t>(1u << (gen() % 8));
    UnscrambleArchiveData(static_cast<std::uint32_t>(damaged.size()), 0, damaged.data(), key);
    if (Open(damaged, "3842") != 0) continue;
    for (const Member& m : members_) {
      int result = 0;
      ReadMember(m.path, &result);
    }
  }
}

}  // namespace
