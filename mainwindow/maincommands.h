#pragma once

#include "seams/editorservices.h"
#include "seams/panelservices.h"
#include "seams/studywindowservices.h"

#include <QString>

namespace brenvik {

// Everything the main window offers its panels, editors, the wizard and the study window,
// each of which sees only its own part (PanelServices, EditorServices, StudyWindowServices
// and the narrow interfaces under them). TFormMain implements it; the window's own parts
// (the file menu, the keys, the study launcher) use it whole, and panel tests use a fake.
class MainCommands : public virtual PanelServices,
                     public virtual EditorServices,
                     public virtual StudyWindowServices {
public:
    // True, after telling the user to save, cancel or close it first, while an editor is
    // open; `phrase` ends the message ("before exiting.").
    virtual bool EditorBusy(const QString& phrase) = 0;
};

} // namespace brenvik
