#pragma once

#include "library/result.h"

#include <QByteArray>
#include <QImage>

namespace brenvik {

// Plays an enhanced metafile into an image the size of its bounds (at most a few thousand
// pixels a side), on a white ground.
Result<QImage> RenderEmf(const QByteArray& data);

} // namespace brenvik
