// Container recognition by the first bytes: the signature table, the order
// of the tests, and the file closed afterwards.
#include <gtest/gtest.h>

#include "camerafile/canon_file.h"
#include "tests/file_builder.h"

namespace {

using camerafile::TCanonFile;
using testfile::Bytes;

struct Recognised {
  bool valid;
  std::int32_t format;
  std::int32_t kind;
};

class Recognition : public ::testing::Test {
 protected:
  TCanonFile& Analyse(const Bytes& bytes) {
    file_.Init(testfile::NameOf(dir_.Write("file", bytes)));
    file_.Analyse();
    EXPECT_FALSE(file_.DataFile.IsOpen()) << "Analyse closes the file on every path";
    return file_;
  }
  void Expect(const Bytes& bytes, Recognised want) {
    Analyse(bytes);
    EXPECT_EQ(file_.IsValid(), want.valid);
    EXPECT_EQ(file_.Format, want.format);
    EXPECT_EQ(file_.Kind, want.kind);
  }

  testfile::TempDir dir_;
  TCanonFile file_;
};

TEST_F(Recognition, TiffInBothByteOrders) {
  Expect(Bytes().Text("MM").U8(0x00).U8(0x2A), {true, 1, 1});
  EXPECT_EQ(file_.IntelOrder, 0);
  EXPECT_EQ(file_.TiffBase, 0);
  Expect(Bytes().Text("II").U8(0x2A).U8(0x00), {true, 2, 2});
  EXPECT_EQ(file_.IntelOrder, 1);
}

TEST_F(Recognition, ByteOrderMarkWithoutFortyTwoIsNotTiff) {
  Expect(Bytes().Text("II").U8(0x2A).U8(0x01), {false, 0, 0});
  Expect(Bytes().Text("MM").U8(0x2A).U8(0x00), {false, 0, 0});
  Expect(Bytes().Text("MM"), {false, 0, 0});
}

TEST_F(Recognition, CiffAfterEitherByteOrderMark) {
  Expect(Bytes().Text("II").U8(0x1A).Zeros(3).Text("HEAPCCDR"), {true, 3, 3});
  EXPECT_EQ(file_.CiffHeaderLength, 26);
  EXPECT_EQ(file_.IntelOrder, 1);
  Expect(Bytes().Text("MM").Zeros(3).U8(0x1A).Text("HEAPCCDR"), {true, 3, 3});
  EXPECT_EQ(file_.CiffHeaderLength, 26);
  EXPECT_EQ(file_.IntelOrder, 0);
}

TEST_F(Recognition, CiffWithoutByteOrderMarkReadsItsLengthFromByteZero) {
  // One record for both files, as the web page keeps it: the little-endian
  // order of the file before must not carry over into this one.
  Expect(Bytes().Text("II").U8(0x2A).U8(0x00), {true, 2, 2});
  Expect(Bytes().Zeros(3).U8(0x1A).Text("HEAPCCDR"), {true, 3, 3});
  EXPECT_EQ(file_.CiffHeaderLength, 26);
  Expect(Bytes().Text("II").U8(0x1A).Zeros(3).Text("HEAPCCDX"), {false, 0, 0});
}

TEST_F(Recognition, JpegByItsStartOfImageMarker) {
  Expect(Bytes().U8(0xFF).U8(0xD8).U8(0xFF).U8(0xE1), {true, 4, 0});
  Expect(Bytes().U8(0xFF).U8(0xD9), {false, 0, 0});
  Expect(Bytes().U8(0xFF), {false, 0, 0});
}

TEST_F(Recognition, EmptyAndMissingFilesAreNotRecognised) {
  Expect(Bytes(), {false, 0, 0});
  file_.Init(testfile::NameOf(dir_.path() / "missing.cr2"));
  file_.Analyse();
  EXPECT_FALSE(file_.IsValid());
  EXPECT_EQ(file_.Format, 0);
}

TEST_F(Recognition, TheNameDoesNotMatterOnlyTheBytes) {
  file_.Init(testfile::NameOf(dir_.Write("photo.jpg", Bytes().Text("II").U16(0x2A00))));
  file_.Analyse();
  EXPECT_EQ(file_.Format, 2);
}

}  // namespace
