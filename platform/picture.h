#pragma once

#include "library/result.h"

#include <QImage>
#include <QString>

namespace brenvik {

// A decoded picture, or the reason there is none.
// A loaded picture (never null), or why it could not be loaded.
using PictureResult = Result<QImage>;

// Loads a picture file, chosen by its file name extension (in any case): JPEG through
// libjpeg, Windows bitmaps and icons, Windows metafiles and enhanced metafiles, and every
// format Qt's image readers know (PNG, GIF, WebP, SVG, ...). Any other extension fails with
// "Unknown picture file extension (.ext)". A missing, unreadable or damaged file gives a
// null image and an error text; it never ends the program.
PictureResult LoadPicture(const QString& path);

// The picture dialog's filter, in the "Desc (*.x)|*.x|..." form: every extension that
// LoadPicture accepts, all of them first, then one entry per kind.
QString PictureDialogFilter();
// True when LoadPicture knows the extension of `path`.
bool IsPictureExtension(const QString& path);

// Decodes JPEG data held in memory; `name` is used in error texts.
PictureResult DecodeJpeg(const QByteArray& data, const QString& name);

} // namespace brenvik
