#pragma once

#include "library/result.h"

#include <QByteArray>
#include <QImage>

namespace brenvik {

// Plays a Windows metafile, with or without its placeable header, into an image the size of
// its window (at most a few thousand pixels a side), on a white ground.
Result<QImage> RenderWmf(const QByteArray& data);

} // namespace brenvik
