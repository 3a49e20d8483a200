#include "tests/support/fakeshellopen.h"

namespace brenvik {

Status FakeShellOpen::open(const QUrl& url) {
    opened.append(url);
    return result ? Status::success() : Status::failure(failure);
}

} // namespace brenvik
