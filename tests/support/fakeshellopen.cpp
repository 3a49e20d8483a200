#include "tests/support/fakeshellopen.h"

namespace brenvik {

bool FakeShellOpen::open(const QUrl& url, QString* error) {
    opened.append(url);
    if (!result && error) *error = failure;
    return result;
}

} // namespace brenvik
