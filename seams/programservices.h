#pragma once

#include "study/core/studyfiles.h"

#include <QString>

class QWidget;

namespace brenvik {

class DesktopColors;
class Prompts;
class SettingsStore;
class ShellOpen;
class WebViewerFactory;

// What every window of the program shares: its message boxes and dialogs, the desktop's
// colours, its folders and its settings.
class ProgramServices {
public:
    virtual ~ProgramServices() = default;

    virtual Prompts& prompts() = 0;
    virtual const DesktopColors& desktopColors() const = 0;
    virtual QString programFolder() const = 0;
    // The open library file's folder, or empty while the library has no file.
    virtual QString libraryFolder() const = 0;
    // Where the files a question names are looked for (ResolveStudyPath, ResolveWebAddress).
    StudyFolders studyFolders() const { return {libraryFolder(), programFolder()}; }
    virtual SettingsStore& settings() = 0;
};

// What the panes of a question need to be shown and edited: besides the program's
// services, the web viewers and the desktop's shell for the files and pages they name.
class PaneServices : public virtual ProgramServices {
public:
    virtual WebViewerFactory& webViewers() = 0;
    virtual ShellOpen& shell() = 0;
};

} // namespace brenvik
