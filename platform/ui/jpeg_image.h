// Pictures stored as bytes: JPEG through libjpeg-turbo's own decoder, other formats
// through Qt. A damaged or unknown blob gives a null image, never a crash.
#pragma once

#include <QByteArray>
#include <QImage>

namespace qel::ui {

// True when the bytes start like a JPEG stream (SOI marker).
bool looksLikeJpeg(const QByteArray& bytes);

// Decodes a complete JPEG; a truncated or corrupt stream, or an absurd size, gives a null image.
QImage decodeJpeg(const QByteArray& bytes);

// Any picture: JPEG via decodeJpeg, other formats via Qt's image readers.
QImage decodePicture(const QByteArray& bytes);

} // namespace qel::ui
