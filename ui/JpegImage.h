// JPEG pictures decoded with libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>

namespace orvane::ui {

// The picture, or a null image when the data is not a whole, readable JPEG.
QImage DecodeJpeg(const QByteArray& data);

}  // namespace orvane::ui
