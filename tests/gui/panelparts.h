#pragma once

#include <QString>

namespace brenvik {

// A panel's control by its object name, looked for in the panel's view (which the main
// window has moved into its pages); null when the panel has none of that name.
template <class T, class Panel> T* part(const Panel* panel, const char* name) {
    return panel ? panel->view()->template findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

} // namespace brenvik
