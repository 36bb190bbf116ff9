#include "foundation/ui/VqLibImage.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <stdexcept>
#include <string>

#include "foundation/Base64Util.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

using tessaly::TvqLib::GetImgBase64;

// A picture whose left quarter is red and the rest blue, so that stretching and cropping differ.
QImage QuarterPicture(int aWidth, int aHeight) {
  QImage picture(aWidth, aHeight, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  QPainter(&picture).fillRect(0, 0, aWidth / 4, aHeight, Qt::red);
  return picture;
}

// The Base64 text as a decoded JPEG picture (null when it is none).
QImage DecodeJpeg(const std::string& aBase64) {
  const std::string bytes = tessaly::DecodeBase64Bytes(aBase64);
  if (bytes.substr(0, 3) != "\xFF\xD8\xFF") return {};
  return QImage::fromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), "JPEG");
}

// The thrown text, or "" when nothing is thrown.
std::string ThrownText(const std::string& aFile) {
  try {
    (void)GetImgBase64(aFile, 0, 0);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

bool NearlyRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }
bool NearlyBlue(QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; }

// The square's side is the shorter edge, or aMinSize when that is larger; the result is one
// Base64 line of a JPEG of exactly that size.
TEST(GetImgBase64, SquareOfTheShorterEdgeOrTheMinimum) {
  struct Case {
    int width, height, minSize, side;
  };
  const Case cases[] = {
      {40, 20, 0, 20}, {40, 20, 64, 64}, {20, 40, 10, 20}, {30, 30, -5, 30}, {1, 1, 0, 1}, {400, 300, 0, 300},
  };
  vqtest::TempDir dir;
  for (const auto& c : cases) {
    const std::string file = dir.file("p" + std::to_string(c.width) + "x" + std::to_string(c.height) + ".png");
    ASSERT_TRUE(QuarterPicture(c.width, c.height).save(QString::fromStdString(file), "PNG"));
    const std::string base64 = GetImgBase64(file, c.minSize, 1);
    EXPECT_EQ(base64.find_first_of("\r\n"), std::string::npos) << file;
    const QImage jpeg = DecodeJpeg(base64);
    ASSERT_FALSE(jpeg.isNull()) << file;
    EXPECT_EQ(jpeg.width(), c.side) << file << " min " << c.minSize;
    EXPECT_EQ(jpeg.height(), c.side) << file << " min " << c.minSize;
  }
}

// The whole picture is stretched into the square, not cropped: its red quarter stays the left
// quarter; transparent parts come out white. A JPEG file is read as well as a PNG file.
TEST(GetImgBase64, StretchesTheWholePicture) {
  vqtest::TempDir dir;
  const std::string png = dir.file("wide.png");
  ASSERT_TRUE(QuarterPicture(80, 40).save(QString::fromStdString(png), "PNG"));
  const QImage square = DecodeJpeg(GetImgBase64(png, 0, 0));
  ASSERT_EQ(square.size(), QSize(40, 40));
  EXPECT_TRUE(NearlyRed(square.pixel(3, 20))) << std::hex << square.pixel(3, 20);
  EXPECT_TRUE(NearlyBlue(square.pixel(20, 20))) << std::hex << square.pixel(20, 20);
  EXPECT_TRUE(NearlyBlue(square.pixel(36, 20))) << std::hex << square.pixel(36, 20);

  const std::string jpg = dir.file("wide.jpg");
  ASSERT_TRUE(QuarterPicture(80, 40).save(QString::fromStdString(jpg), "JPEG"));
  EXPECT_EQ(DecodeJpeg(GetImgBase64(jpg, 0, 0)).size(), QSize(40, 40));

  QImage clear(10, 10, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  const std::string clearFile = dir.file("clear.png");
  ASSERT_TRUE(clear.save(QString::fromStdString(clearFile), "PNG"));
  const QRgb c = DecodeJpeg(GetImgBase64(clearFile, 0, 0)).pixel(5, 5);
  EXPECT_TRUE(qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245) << std::hex << c;
}

// A Windows path is read through the machine's drive folders.
TEST(GetImgBase64, ReadsAWindowsPath) {
  vqtest::MachineRootFixture machine;
  const std::string host = machine.root() + "/drive_c/ProgramData/pic.png";
  ASSERT_TRUE(QuarterPicture(24, 12).save(QString::fromStdString(host), "PNG"));
  EXPECT_EQ(DecodeJpeg(GetImgBase64("C:\\ProgramData\\pic.png", 0, 0)).size(), QSize(12, 12));
}

// What cannot be read as a picture raises the compression error text with the reason and the
// file name.
TEST(GetImgBase64, UnreadablePictureRaisesTheCompressionError) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("text.png"), "not a picture at all");
  vqtest::WriteFileBytes(dir.file("empty.jpg"), "");
  vqtest::WriteFileBytes(dir.file("cut.png"), std::string("\x89PNG\r\n\x1A\n", 8));
  for (const std::string& file :
       {dir.file("missing.png"), dir.file("text.png"), dir.file("empty.jpg"), dir.file("cut.png"), dir.path()}) {
    const std::string text = ThrownText(file);
    EXPECT_EQ(text.rfind("压缩出错，", 0), 0U) << file << " -> " << text;
    EXPECT_NE(text.find(file), std::string::npos) << text;
  }
}

}  // namespace
