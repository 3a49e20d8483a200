#pragma once

#include "library/result.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace brenvik {

// Draws a Windows metafile (`enhanced` false) or an enhanced metafile into an image the size
// of its bounds, on a white ground. Records that are not drawn are skipped. A file whose
// structure is damaged (records running past the end, no end record, no size) fails with the
// reason.
Result<QImage> RenderMetafile(const QByteArray& data, bool enhanced);

} // namespace brenvik
