#pragma once

#include "editor/feditquestion.h"
#include "library/colors.h"
#include "library/settingsstore.h"
#include "mainwindow/fmain.h"
#include "mainwindow/objtreeview.h"
#include "panelparts.h"
#include "panels/faboutbox.h"
#include "panels/faddeditdelete.h"
#include "panels/faddnew.h"
#include "panels/fcopyselected.h"
#include "panels/fdeleteselected.h"
#include "panels/fedit.h"
#include "panels/feditobject.h"
#include "panels/feditselected.h"
#include "platform/systemnames.h"
#include "study/fflashselected.h"
#include "study/fimprintselected.h"
#include "study/freviewselected.h"
#include "study/fspacedselected.h"
#include "study/fstudy.h"
#include "study/fstudyquestion.h"
#include "study/fvalidate.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/fakescreensaver.h"
#include "tests/support/fakeshellopen.h"
#include "tests/support/fakesound.h"
#include "tests/support/fakespeech.h"
#include "tests/support/fakewebviewer.h"
#include "waituntil.h"
#include "widgets/clicklabel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <array>
#include <memory>

namespace brenvik {

// Question i of a test concept: one text pane, "Question i" and "Answer i" shown and spoken.
inline QuestionRecord NumberedQuestion(const DesktopColors& colors, int i) {
    QuestionRecord r = QuestionRecord::newRecord(colors);
    r.name = "Q" + std::to_string(i);
    r.layout = 1;
    r.panes[0].textLines = {"Question " + std::to_string(i)};
    r.spokenQuestion = {"Question " + std::to_string(i)};
    r.answer = "Answer " + std::to_string(i);
    r.spokenAnswer = {"Answer " + std::to_string(i)};
    return r;
}

// The main window's widgets as the tests reach them, by object name: its children through
// findChild, its parentless windows (the About box, the study window) among the top-level
// widgets.
struct MainParts {
    explicit MainParts(const TFormMain& w) : w_(w) {}

    template <class T> T* child(const char* name) const {
        return w_.findChild<T*>(QString::fromLatin1(name));
    }
    template <class T> static T* topLevel(const char* name) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String(name))
                if (T* found = qobject_cast<T*>(top)) return found;
        return nullptr;
    }

    const TFormMain& w_;
    ObjTreeView* const TVObjs = child<ObjTreeView>("TVObjs");
    TAboutBox* const AboutBox = topLevel<TAboutBox>("AboutBox");
    QWidget* const PTools = child<QWidget>("PTools");
    QTabBar* const PCMode = child<QTabBar>("PCMode");
    QToolButton* const BUndo = child<QToolButton>("BUndo");
    QToolButton* const BRedo = child<QToolButton>("BRedo");
    QToolButton* const BSave = child<QToolButton>("BSave");
    QToolButton* const BVoice = child<QToolButton>("BVoice");
    QCheckBox* const CBAutoSave = child<QCheckBox>("CBAutoSave");
    ClickLabel* const LSaveOnStudy = child<ClickLabel>("LSaveOnStudy");
    ClickLabel* const LDisaVoice = child<ClickLabel>("LDisaVoice");
    QCheckBox* const CBDisaVoice = child<QCheckBox>("CBDisaVoice");
    QComboBox* const CBModes = child<QComboBox>("CBModes");
    QWidget* const PObjs = child<QWidget>("PObjs");
    QSplitter* const Splitter = child<QSplitter>("Splitter");
    QWidget* const PClient = child<QWidget>("PClient");
    QStackedWidget* const Pages = child<QStackedWidget>("Pages");
    QWidget* const SB = child<QWidget>("SB");
    QLabel* const PSB = child<QLabel>("PSB");
    QMenu* const MReopen = child<QMenu>("MReopen");
    QAction* const MINew = child<QAction>("MINew");
    QAction* const MIOpen = child<QAction>("MIOpen");
    QAction* const MISave = child<QAction>("MISave");
    QAction* const MISaveAs = child<QAction>("MISaveAs");
    QAction* const MIExit = child<QAction>("MIExit");
    QAction* const MIUndo = child<QAction>("MIUndo");
    QAction* const MIRedo = child<QAction>("MIRedo");
    QAction* const Edit1 = child<QAction>("Edit1");
    QAction* const Study1 = child<QAction>("Study1");
    QAction* const Addnew1 = child<QAction>("Addnew1");
    QAction* const Edit2 = child<QAction>("Edit2");
    QAction* const Copy1 = child<QAction>("Copy1");
    QAction* const Delete1 = child<QAction>("Delete1");
    QAction* const Imprintselected1 = child<QAction>("Imprintselected1");
    QAction* const Flashselected1 = child<QAction>("Flashselected1");
    QAction* const Reviewselected1 = child<QAction>("Reviewselected1");
    QAction* const Spacedreviewselected1 = child<QAction>("Spacedreviewselected1");
    const std::array<QAction*, 9> LevelItems = {nullptr,
                                                child<QAction>("Library11"),
                                                child<QAction>("Setofbooks1"),
                                                child<QAction>("Book1"),
                                                child<QAction>("Partofbook1"),
                                                child<QAction>("Chapter1"),
                                                child<QAction>("Section1"),
                                                child<QAction>("Concept1"),
                                                child<QAction>("Questionandanswer1")};
    QAction* const Contents1 = child<QAction>("Contents1");
    QAction* const VisitSoftwareCoOnline = child<QAction>("VisitSoftwareCoOnline");
    QAction* const About1 = child<QAction>("About1");
    QMenu* const PMObjs = child<QMenu>("PMObjs");
    QAction* const PMIImprint = child<QAction>("PMIImprint");
    QAction* const PMIFlash = child<QAction>("PMIFlash");
    QAction* const PMIReview = child<QAction>("PMIReview");
    QAction* const PMISpaced = child<QAction>("PMISpaced");
    QAction* const PMIEdit = child<QAction>("PMIEdit");
    TFormAddNew* const FormAddNew = child<TFormAddNew>("FormAddNew");
    TFormEditSelected* const FormEditSelected = child<TFormEditSelected>("FormEditSelected");
    TFormCopySelected* const FormCopySelected = child<TFormCopySelected>("FormCopySelected");
    TFormDeleteSelected* const FormDeleteSelected =
        child<TFormDeleteSelected>("FormDeleteSelected");
    TFormAddEditDelete* const FormAddEditDelete = child<TFormAddEditDelete>("FormAddEditDelete");
    TFormEditObject* const FormEditObject = child<TFormEditObject>("FormEditObject");
    TFormEditQuestion* const FormEditQuestion = child<TFormEditQuestion>("FormEditQuestion");
    TFormEdit* const FormEdit = child<TFormEdit>("FormEdit");
    TFormImprintSelected* const FormImprintSelected =
        child<TFormImprintSelected>("FormImprintSelected");
    TFormFlashSelected* const FormFlashSelected = child<TFormFlashSelected>("FormFlashSelected");
    TFormReviewSelected* const FormReviewSelected =
        child<TFormReviewSelected>("FormReviewSelected");
    TFormSpacedSelected* const FormSpacedSelected =
        child<TFormSpacedSelected>("FormSpacedSelected");
    TFormStudy* const FormStudy = child<TFormStudy>("FormStudy");
    TFormValidate* const FormValidate = child<TFormValidate>("FormValidate");
    TFormStudyQuestion* const FormStudyQuestion = topLevel<TFormStudyQuestion>("FormStudyQuestion");
};

inline MainParts ui(const TFormMain& w) {
    return MainParts(w);
}

// Driving the study window of `w` as the tests do: waiting for a question to be on screen or
// for the session to end, and keys to whatever has the focus in it.
inline bool WaitStudyShowing(const TFormMain& w) {
    return waitUntil([&w] {
        TFormStudyQuestion* s = ui(w).FormStudyQuestion;
        return s && s->isVisible() && !s->building() && s->questionShown();
    });
}

inline bool WaitStudyClosed(const TFormMain& w, int ms = 10000) {
    return waitUntil([&w] { return !w.studyBusy(); }, ms);
}

inline void StudyKey(const TFormMain& w, int k) {
    QWidget* study = ui(w).FormStudyQuestion;
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != study) target = study;
    QTest::keyClick(target, Qt::Key(k));
}

// A started main window on fakes of every platform service, in a fresh program folder.
// Tests reach the fakes through the members.
struct MainHarness {
    QTemporaryDir folder;
    FakePrompts prompts;
    FakeSpeechEngine speech;
    FakeShellOpen shell;
    FakeWebViewerFactory web;
    FakeScreenSaver screenSaver;
    FakeSoundPlayer sound;
    FixedSystemNames names{QStringLiteral("HOST"), QStringLiteral("ann")};
    FixedDesktopColors colors;
    SettingsStore store;                   // defaults only
    SettingsStore* settingsFile = nullptr; // when set, used instead of `store`
    SpeechEngine* engine = nullptr;        // when set (a real one), used instead of `speech`
    MainDeps deps;
    std::unique_ptr<TFormMain> window;

    // Creates and shows the window and waits for its start-up to end; false on a time-out.
    bool start() {
        if (!folder.isValid()) return false;
        deps.prompts = &prompts;
        deps.speech = engine ? engine : &speech;
        deps.shell = &shell;
        deps.web = &web;
        deps.screenSaver = &screenSaver;
        deps.sound = &sound;
        deps.names = &names;
        deps.colors = &colors;
        deps.programFolder = folder.path();
        deps.settings = settingsFile ? settingsFile : &store;
        deps.speechWaitMs = 2000;
        window = std::make_unique<TFormMain>(deps);
        window->show();
        return waitUntil([this] { return window->closeAllowed(); }) && opened();
    }
    // Waits for a file being read (File > Open, a file given at start) to be taken in.
    bool opened() {
        return waitUntil([this] { return !window->fileWorkRunning(); }, 10000);
    }
    ~MainHarness() { window.reset(); }

    NodeId find(const char* text) const {
        const LibraryTree& t = window->tree();
        for (NodeId n = t.first(); n != NoNode; n = t.preorderNext(n))
            if (t.text(n) == text) return n;
        return NoNode;
    }
};

} // namespace brenvik
