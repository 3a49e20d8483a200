#include "mainwindow/mainsettings.h"

#include "library/settingskeys.h"
#include "library/settingsstore.h"
#include "mainwindow/mainframe.h"
#include "panels/faddnew.h"
#include "study/fstudy.h"

#include <QCheckBox>
#include <QDir>
#include <QMainWindow>
#include <QSplitter>
#include <algorithm>

namespace brenvik {

namespace {
constexpr int kMinWidth = MainFrame::MinWidth;
constexpr int kMinHeight = MainFrame::MinHeight;
} // namespace

MainSettings::MainSettings(SettingsStore* given, const QString& programFolder, QMainWindow& window,
                           MainFrame& frame)
    : store_(given), programFolder_(programFolder), window_(window), frame_(frame) {
    if (!store_) {
        own_ = std::make_unique<SettingsStore>(
            QDir(programFolder).filePath(QStringLiteral("brenvik.ini")));
        store_ = own_.get();
    }
}

MainSettings::~MainSettings() = default;

void MainSettings::readWindowPlace() {
    SettingsStore& s = *store_;
    const int top = s.read(settings::MainTop);
    const int left = s.read(settings::MainLeft);
    const int height = s.read(settings::MainHeight, kMinHeight);
    const int width = s.read(settings::MainWidth, kMinWidth);
    const int state = s.read(settings::MainState);
    window_.setGeometry(left, top, std::max(width, kMinWidth), std::max(height, kMinHeight));
    if (state == 2)
        window_.setWindowState(Qt::WindowMaximized);
    else if (state == 1)
        window_.setWindowState(Qt::WindowMinimized);
}

void MainSettings::readEarly() {
    SettingsStore& s = *store_;
    if (s.read(settings::AppFirstRun) == 0) {
        // The question editor's dialog folders; kept here until that editor asks for them.
        s.read(settings::QuestionFileDir, programFolder_);
        s.read(settings::QuestionPicDir, programFolder_);
    }
    const int splitter = s.read(settings::MainSplitter, frame_.PObjs->width());
    if (splitter >= 138)
        frame_.Splitter->setSizes({splitter, std::max(718, window_.width() - splitter)});
    frame_.FormStudy->loadAnswerFont(s);
}

void MainSettings::readLate() {
    SettingsStore& s = *store_;
    TFormAddNew* addNew = frame_.FormAddNew;
    if (addNew) addNew->setEditAfterAdd(s.read(settings::AddEdit) != 0);
    frame_.FormStudy->loadSessionSettings(s);
    frame_.CBDisaVoice->setChecked(s.read(settings::MainVoice) != 0);
    frame_.CBAutoSave->setChecked(s.read(settings::MainAutoSave) != 0);
}

Status MainSettings::write(int activeVoice) {
    SettingsStore& s = *store_;
    const QRect place =
        window_.normalGeometry().isValid() ? window_.normalGeometry() : window_.geometry();
    s.write(settings::MainTop, place.top());
    s.write(settings::MainLeft, place.left());
    s.write(settings::MainHeight, place.height());
    s.write(settings::MainWidth, place.width());
    s.write(settings::MainState, window_.isMaximized() ? 2 : (window_.isMinimized() ? 1 : 0));
    s.write(settings::MainSplitter, frame_.PObjs->width());
    TFormAddNew* addNew = frame_.FormAddNew;
    if (addNew) s.write(settings::AddEdit, addNew->editAfterAdd() ? 1 : 0);
    frame_.FormStudy->saveSettings(s);
    s.write(settings::MainVoice, frame_.CBDisaVoice->isChecked() ? 1 : 0);
    s.write(settings::MainAutoSave, frame_.CBAutoSave->isChecked() ? 1 : 0);
    s.write(settings::MainActiveVoice, activeVoice);
    s.write(settings::AppFirstRun, 0);
    return s.flush();
}

} // namespace brenvik
