#pragma once

#include "library/result.h"

#include <QImage>
#include <QString>

namespace brenvik {

// A loaded picture (never null), or why it could not be loaded.
using PictureResult = Result<QImage>;

// The bounds every decoder keeps to: a picture file is read only up to 256 MB, and a picture
// is decoded only up to 64 million pixels (256 MB as 32-bit pixels, the figure Qt's readers are
// held to). A header may declare any size: a few damaged or hostile bytes must not ask for
// gigabytes.
constexpr qint64 kMaxPictureFileBytes = qint64(256) << 20;
constexpr qint64 kMaxPicturePixels = 64'000'000;
constexpr int kMaxPictureMegabytes = 256;
static_assert(kMaxPicturePixels * 4 <= qint64(kMaxPictureMegabytes) << 20);

// The reason given for a picture of `width` x `height` pixels over the bound.
std::string PictureTooLarge(qint64 width, qint64 height);

// Loads a picture file, chosen by its file name extension (in any case): JPEG through
// libjpeg, Windows bitmaps and icons, Windows metafiles and enhanced metafiles, and every
// format Qt's image readers know (PNG, GIF, WebP, SVG, ...). Any other extension fails with
// "Unknown picture file extension (.ext)". A missing, unreadable, damaged or oversized
// file gives the reason; it never ends the program.
PictureResult LoadPicture(const QString& path);

// The picture dialog's filter, in the "Desc (*.x)|*.x|..." form: every extension that
// LoadPicture accepts, all of them first, then one entry per kind.
QString PictureDialogFilter();
// True when LoadPicture knows the extension of `path`.
bool IsPictureExtension(const QString& path);

// Decodes JPEG data held in memory; `name` is used in error texts.
PictureResult DecodeJpeg(const QByteArray& data, const QString& name);

} // namespace brenvik
