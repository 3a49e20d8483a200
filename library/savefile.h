#pragma once

#include "library/result.h"

#include <QIODevice>
#include <QString>
#include <functional>

namespace brenvik {

// Writes `path` atomically through QSaveFile: `write` streams the content into a temporary
// file in the same folder, which replaces `path` only once every byte has reached the disk.
// On any failure an old file is intact, no temporary file is left, and the error is the
// system's reason alone, for the caller to name the file in its own words.
Status WriteFileAtomically(const QString& path, const std::function<Status(QIODevice&)>& write);

// Writes all `size` bytes, retrying short writes; fails with the device's error text.
Status WriteAllBytes(QIODevice& device, const char* data, qint64 size);

} // namespace brenvik
