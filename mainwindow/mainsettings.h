#pragma once

#include "library/result.h"

#include <QString>
#include <memory>

class QMainWindow;

namespace brenvik {

class SettingsStore;
struct MainFrame;

// The main window's own settings: its place on the screen, the tree's width, the tool strip's
// boxes and what the embedded forms keep. They are read in the steps of the start-up (the
// place before the window shows, the rest once the forms are in their pages) and written
// together as the program ends.
class MainSettings {
public:
    // With no store given, the window keeps its settings in "brenvik.ini" in the program folder.
    MainSettings(SettingsStore* given, const QString& programFolder, QMainWindow& window,
                 MainFrame& frame);
    ~MainSettings();

    SettingsStore& store() { return *store_; }
    void readWindowPlace();
    // The question editor's folders on a first run, the tree's width and the answer font.
    void readEarly();
    // The options of the Add-new panel, the session panels and the tool strip.
    void readLate();
    // Writes all of them, with the active voice, and flushes the store.
    Status write(int activeVoice);

private:
    std::unique_ptr<SettingsStore> own_;
    SettingsStore* store_;
    QString programFolder_;
    QMainWindow& window_;
    MainFrame& frame_;
};

} // namespace brenvik
