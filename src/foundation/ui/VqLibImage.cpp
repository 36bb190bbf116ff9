#include "foundation/ui/VqLibImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "foundation/Base64Util.h"
#include "platform/WinPath.h"

namespace tessaly::TvqLib {

namespace {

QByteArray SquareJpeg(const std::string& aImgFile, int aMinSize) {
  QImageReader reader(QString::fromStdString(platform::HostPath(aImgFile)));
  const QImage picture = reader.read();
  if (picture.isNull()) throw std::runtime_error(reader.errorString().toStdString() + ": " + aImgFile);

  const int side = std::max(std::min(picture.width(), picture.height()), aMinSize);
  QImage square(side, side, QImage::Format_RGB32);
  if (square.isNull())
    throw std::runtime_error("no memory for a picture of " + std::to_string(side) + " x " + std::to_string(side));
  square.fill(Qt::white);
  {
    QPainter painter(&square);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, side, side), picture);
  }

  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(kImgJpegQuality);
  if (!writer.write(square)) throw std::runtime_error(writer.errorString().toStdString());
  return jpeg;
}

}  // namespace

std::string GetImgBase64(const std::string& aImgFile, int aMinSize, [[maybe_unused]] int aFileMaxSize) {
  QByteArray jpeg;
  try {
    jpeg = SquareJpeg(aImgFile, aMinSize);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("压缩出错，") + e.what());
  }
  try {
    return EncodeBase64Bytes(std::string_view(jpeg.constData(), static_cast<std::size_t>(jpeg.size())));
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("编码出错，") + e.what());
  }
}

}  // namespace tessaly::TvqLib
