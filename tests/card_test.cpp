// What the web page's card shows beside the lines: when the picture was
// taken, the camera's own name, who made it.
#include <gtest/gtest.h>

#include "camerafile/canon_file.h"
#include "camerafile/transcript.h"
#include "tests/analysed_file.h"

namespace {

using namespace testfile;

TEST(DateTaken, IsADayOfTheCalendarAndATimeOfDayOrNothing) {
  struct {
    const char* text;
    const char* taken;
  } const cases[] = {
      {"2021:02:18 19:54:47", "2021:02:18 19:54:47"},
      {"2021:02:18 19:54:47.123 ", "2021:02:18 19:54:47"},  // what follows is not read
      {"2024:02:29 00:00:00", "2024:02:29 00:00:00"},
      {"2000:02:29 23:59:59", "2000:02:29 23:59:59"},
      {"2100:02:29 12:00:00", ""},  // no leap year
      {"2023:02:29 12:00:00", ""},
      {"2021:04:31 12:00:00", ""},
      {"2021:13:01 12:00:00", ""},
      {"2021:00:10 12:00:00", ""},
      {"2021:01:00 12:00:00", ""},
      {"2021:01:01 24:00:00", ""},
      {"2021:01:01 12:60:00", ""},
      {"2021:01:01 12:00:60", ""},
      {"0000:00:00 00:00:00", ""},  // the clock never set
      {"    :  :     :  :  ", ""},
      {"2021-02-18 19:54:47", ""},
      {"2021:02:18 19:54", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(camerafile::ExifDateTime(c.text), c.taken) << c.text;
}

class Card : public ::testing::TestWithParam<Order>, protected AnalysedFile {};

INSTANTIATE_TEST_SUITE_P(BothByteOrders, Card, ::testing::Values(Order::kBig, Order::kLittle),
                         OrderName);

TEST_P(Card, DateTakenCountsInTheExifDirectoryOnly) {
  const Field taken = AsciiField(0x9003, "2021:02:18 19:54:47");
  const auto taken_of = [&](std::vector<Field> main, std::vector<Field> exif) {
    return transcript::CardOf(Analyse(MakerTiff(GetParam(), {"NIKON", "Z 6", Bytes(), main, exif})))
        .taken;
  };
  EXPECT_EQ(taken_of({}, {taken}), "2021:02:18 19:54:47");
  EXPECT_EQ(taken_of({taken}, {}), "");
  EXPECT_EQ(taken_of({}, {AsciiField(0x9003, "2021:02:30 19:54:47")}), "");
  EXPECT_EQ(taken_of({}, {}), "");
}

TEST_P(Card, CameraIsIfd0sModelElseTheModelLine) {
  CanonRecord record;
  record.model = "IMG:PowerShot S40 JPEG";
  const auto card_of = [&](std::vector<Field> main) {
    CanonDirectories d = CanonTiffDirectories(GetParam(), record);
    d.main.insert(d.main.end(), main.begin(), main.end());
    d.main.push_back({0x8769, kLong, 1, 0, {}, 1});
    d.exif.push_back({0x927C, kUndefined, 2 + 12 * 6 + 4, 0, {}, 2});
    return transcript::CardOf(Analyse(TiffOf(GetParam(), {d.main, d.exif, d.maker_note})));
  };
  const transcript::Card named = card_of({AsciiField(0x0110, "Canon PowerShot S40")});
  EXPECT_EQ(named.camera, "Canon PowerShot S40");
  EXPECT_EQ(named.model, "IMG:PowerShot S40 JPEG");
  EXPECT_EQ(named.make, "Canon");
  EXPECT_EQ(card_of({}).camera, "IMG:PowerShot S40 JPEG");
  EXPECT_EQ(card_of({AsciiField(0x0110, "")}).camera, "IMG:PowerShot S40 JPEG");
  // A file that names nothing: nothing, not the line's dashes.
  const transcript::Card none = transcript::CardOf(Analyse(TiffHeader(GetParam(), 0)));
  EXPECT_EQ(none.camera, "");
  EXPECT_EQ(none.model, "");
  EXPECT_EQ(none.serial, "");
}

}  // namespace
