#pragma once

#include <QImage>
#include <QString>

namespace brenvik {

// A decoded picture, or the reason there is none.
struct PictureResult {
    QImage image; // null on failure
    QString error;
    bool ok() const { return !image.isNull(); }
};

// Loads a picture file: JPEG through libjpeg (recognised by its content, not its name),
// every other format through Qt's image readers. A missing, unreadable or damaged file gives
// a null image and an error text; it never ends the program.
PictureResult LoadPicture(const QString& path);

// Decodes JPEG data held in memory; `name` is used in error texts.
PictureResult DecodeJpeg(const QByteArray& data, const QString& name);

} // namespace brenvik
