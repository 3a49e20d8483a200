#pragma once

#include <QString>

namespace brenvik {

// What the desktop's "open" action receives for an address field: trimmed; a "file:" prefix
// in any case, with its slashes, becomes a local absolute path ("FILE:///home/u/a.html" gives
// "/home/u/a.html"); anything else is left as an address.
struct ShellTargetResult {
    QString target;
    bool localFile = false;
};
ShellTargetResult ShellTarget(const QString& address);

} // namespace brenvik
