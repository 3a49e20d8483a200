#include "mainwindow/filemenu.h"

#include "library/objects.h"
#include "library/outline.h"
#include "library/settingskeys.h"
#include "library/settingsstore.h"
#include "library/undostore.h"
#include "mainwindow/busywork.h"
#include "mainwindow/librarydocument.h"
#include "mainwindow/maincommands.h"
#include "panels/faboutbox.h"
#include "platform/prompts.h"
#include "srs/history.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QMenu>
#include <QThread>
#include <QToolButton>

namespace brenvik {

namespace {
const QString kFilter = QStringLiteral("Brenvik files (*.bv1)");
const settings::RuntimeTextKey& kFolderKey = settings::MainLibraryDir;
} // namespace

FileMenuCommands::FileMenuCommands(MainCommands& main, LibraryDocument& doc, UndoStore& undo,
                                   Controls controls, std::function<void(const QString&)> showError,
                                   QObject* parent)
    : QObject(parent), main_(main), doc_(doc), undo_(undo), controls_(controls),
      showError_(std::move(showError)) {
    connect(&doc_, &LibraryDocument::modifiedChanged, this, &FileMenuCommands::updateCaption);
    connect(&doc_, &LibraryDocument::filePathChanged, this, &FileMenuCommands::updateCaption);
    connect(&doc_, &LibraryDocument::recentFilesChanged, this,
            &FileMenuCommands::rebuildReopenMenu);
    rebuildReopenMenu();
}

FileMenuCommands::~FileMenuCommands() {
    // The reader writes only into its own scratch tree; it must end before that goes.
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
}

QString FileMenuCommands::dialogFolder() const {
    const QString folder = main_.settings().read(kFolderKey, main_.programFolder());
    return QFileInfo(folder).isDir() ? folder : main_.programFolder();
}

void FileMenuCommands::rememberDialogFolder(const QString& path) {
    main_.settings().write(kFolderKey, QFileInfo(path).absolutePath());
}

FileMenuCommands::Proceed FileMenuCommands::saveChangesFirst(std::function<void()> then) {
    if (working()) return Proceed::Never;
    if (!doc_.isModified()) return Proceed::Now;
    main_.Speak(QStringLiteral("Please confirm."));
    const int answer = main_.prompts().message(
        &controls_.window, QStringLiteral("Confirm"), QStringLiteral("Save changes?"),
        Prompts::Icon::Question, Prompts::Yes | Prompts::No | Prompts::Cancel, Prompts::Yes);
    if (answer == Prompts::No) return Proceed::Now;
    if (answer != Prompts::Yes) return Proceed::Never;
    const bool newName = !doc_.hasFile();
    const QString target = newName ? askSaveTarget() : doc_.filePath();
    if (target.isEmpty()) return Proceed::Never;
    writeOffThread(target, newName, [then = std::move(then)](bool saved) {
        if (saved) then();
    });
    return Proceed::AfterSave;
}

void FileMenuCommands::afterSaveChanges(const std::function<void()>& then) {
    if (saveChangesFirst(then) == Proceed::Now) then();
}

void FileMenuCommands::newLibrary(const QString& computer, const QString& user) {
    if (working() || main_.EditorBusy(QStringLiteral("performing another operation."))) return;
    afterSaveChanges([this, computer, user] {
        doc_.newEmpty(computer.toStdString(), user.toStdString());
        undo_.clear();
        historyUnsaved();
        libraryReplaced();
    });
}

void FileMenuCommands::open() {
    if (working() || main_.EditorBusy(QStringLiteral("performing another operation."))) return;
    afterSaveChanges([this] {
        const QString path = main_.prompts().openFile(
            &controls_.window, QStringLiteral("Open file"), dialogFolder(), kFilter);
        if (path.isEmpty()) return;
        rememberDialogFolder(path);
        openFile(path);
    });
}

void FileMenuCommands::openFile(const QString& path) {
    if (working()) return;
    if (!QFileInfo(path).isFile()) {
        doc_.removeRecentFile(path);
        showError_(QStringLiteral("File not found: ") + path);
        return;
    }
    auto read = std::make_shared<std::shared_ptr<LibraryDocument::ReadFile>>();
    offThread(
        QStringLiteral("Opening %1...").arg(QFileInfo(path).fileName()),
        [path, read] { *read = LibraryDocument::readFile(path); },
        [this, path, read] {
            const std::uint64_t generation = doc_.tree().generation();
            const Status adopted = doc_.adopt(path, **read);
            read->reset();
            if (doc_.tree().generation() == generation) // nothing was read: all stays as it was
                showError_(ErrorText(adopted));
            else
                fileRead(path, adopted);
        });
}

void FileMenuCommands::offThread(const QString& text, std::function<void()> work,
                                 std::function<void()> done) {
    busy_ = std::make_unique<BusyWork>(&controls_.window, text);
    controls_.window.setEnabled(false);
    worker_ = QThread::create([hook = beforeWork_, work = std::move(work)] {
        if (hook) hook();
        work();
    });
    connect(worker_, &QThread::finished, this, [this, done = std::move(done)] {
        worker_->deleteLater();
        worker_ = nullptr;
        controls_.window.setEnabled(true);
        // The boxes that follow come with the ordinary cursor.
        busy_.reset();
        done();
        Q_EMIT idle();
    });
    worker_->start();
}

void FileMenuCommands::fileRead(const QString& path, const Status& read) {
    undo_.clear();
    historyOpened();
    libraryReplaced();
    if (!read)
        showError_(ErrorText(read)); // the part read before the damage stays, without a file
    else if (!doc_.loadWarning().isEmpty())
        main_.prompts().message(&controls_.window, QStringLiteral("Warning"), doc_.loadWarning(),
                                Prompts::Icon::Warning);
    else
        doc_.addRecentFile(path);
}

void FileMenuCommands::historyUnsaved() {
    if (history_) history_->openUnsaved();
}

void FileMenuCommands::historyOpened() {
    if (!history_) return;
    // A damaged file read in part has no file: its questions start a history in memory.
    if (!doc_.hasFile()) {
        history_->openUnsaved();
        return;
    }
    const Result<srs::OpenReport> opened = history_->open(doc_.filePath());
    if (!opened) {
        reportHistory(Status::failure(opened.error()));
        return;
    }
    if (const int lost = opened.value().unmatched; lost > 0)
        main_.prompts().message(
            &controls_.window, QStringLiteral("Information"),
            // A question added and graded but never saved is one of them too: the wording
            // must not blame another program.
            QStringLiteral("The study history of %1 names %2 question(s) that are not in the "
                           "library: they were deleted or changed without being saved, or "
                           "changed outside %3. Their grades are kept.")
                .arg(QFileInfo(doc_.filePath()).fileName())
                .arg(lost)
                .arg(TAboutBox::applicationTitle()),
            Prompts::Icon::Information);
}

void FileMenuCommands::reportHistory(const Status& status) {
    if (status) return;
    main_.prompts().message(&controls_.window, QStringLiteral("Warning"), ErrorText(status),
                            Prompts::Icon::Warning);
}

void FileMenuCommands::libraryReplaced() {
    Q_EMIT loaded();
    updateCaption();
}

Status FileMenuCommands::written(const QString& path, const std::function<Status()>& write) {
    BusyWork busy(&controls_.window,
                  QStringLiteral("Saving %1...").arg(QFileInfo(path).fileName()));
    busy.showNowIf(doc_.tree().nodeCount() >= std::size_t(BusyWork::LongBranchNodes));
    return write();
}

bool FileMenuCommands::save() {
    if (!doc_.hasFile()) return saveAs();
    if (const Status saved = written(doc_.filePath(), [this] { return doc_.save(); }); !saved) {
        showError_(ErrorText(saved));
        return false;
    }
    if (history_) reportHistory(history_->saved());
    doc_.addRecentFile(doc_.filePath());
    return true;
}

bool FileMenuCommands::saveAs() {
    const QString path = main_.prompts().saveFile(&controls_.window, QStringLiteral("Save file as"),
                                                  dialogFolder(), kFilter, QStringLiteral("bv1"));
    if (path.isEmpty()) return false;
    rememberDialogFolder(path);
    const Status saved = written(LibraryDocument::withDefaultSuffix(path),
                                 [this, &path] { return doc_.saveAs(path); });
    if (!saved) {
        showError_(ErrorText(saved));
        return false;
    }
    if (history_) reportHistory(history_->savedAs(doc_.filePath()));
    doc_.addRecentFile(doc_.filePath());
    return true;
}

void FileMenuCommands::saveCommand() {
    if (working()) return;
    if (!doc_.hasFile()) {
        saveAsCommand();
        return;
    }
    writeOffThread(doc_.filePath(), false);
}

QString FileMenuCommands::askSaveTarget() {
    const QString path = main_.prompts().saveFile(&controls_.window, QStringLiteral("Save file as"),
                                                  dialogFolder(), kFilter, QStringLiteral("bv1"));
    if (path.isEmpty()) return {};
    rememberDialogFolder(path);
    return LibraryDocument::saveTarget(path);
}

void FileMenuCommands::saveAsCommand() {
    if (working()) return;
    const QString target = askSaveTarget();
    if (!target.isEmpty()) writeOffThread(target, true);
}

void FileMenuCommands::writeOffThread(const QString& target, bool newName,
                                      std::function<void(bool)> finished) {
    // The window is disabled meanwhile, so the tree stays as it is written; the view may
    // read it to paint.
    const LibraryTree& tree = doc_.tree();
    auto saved = std::make_shared<Status>();
    offThread(
        QStringLiteral("Saving %1...").arg(QFileInfo(target).fileName()),
        [&tree, target, saved] { *saved = SaveLibraryFile(tree, target); },
        [this, target, newName, saved, finished = std::move(finished)] {
            if (!*saved) {
                showError_(ErrorText(*saved));
                if (finished) finished(false);
                return;
            }
            doc_.savedTo(target);
            if (history_)
                reportHistory(newName ? history_->savedAs(doc_.filePath()) : history_->saved());
            if (finished) finished(true);
        });
}

void FileMenuCommands::saveBeforeStudy(std::function<void(bool)> then) {
    if (!controls_.autoSave.isChecked() || !controls_.save.isEnabled() || !doc_.hasFile() ||
        !doc_.isModified()) {
        then(true);
        return;
    }
    if (working()) {
        then(false);
        return;
    }
    writeOffThread(doc_.filePath(), false, std::move(then));
}

void FileMenuCommands::rebuildReopenMenu() {
    QMenu& menu = controls_.reopen;
    menu.clear();
    const QStringList files = doc_.recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        const QString name =
            QString::fromStdString(EscapeAmpersands(QFileInfo(path).fileName().toStdString()));
        QAction* a = menu.addAction(QStringLiteral("&%1 - %2").arg(i + 1).arg(name));
        a->setToolTip(path);
        a->setStatusTip(path);
        connect(a, &QAction::triggered, this, [this, path] {
            if (working() || main_.EditorBusy(QStringLiteral("performing another operation.")))
                return;
            afterSaveChanges([this, path] { openFile(path); });
        });
    }
    menu.setEnabled(!files.isEmpty());
}

void FileMenuCommands::updateCaption() {
    QString title = TAboutBox::applicationTitle();
    if (doc_.hasFile()) title += QStringLiteral(" - ") + QFileInfo(doc_.filePath()).fileName();
    if (doc_.isModified()) title += QStringLiteral(" *");
    controls_.window.setWindowTitle(title);
    controls_.save.setEnabled(doc_.isModified());
    controls_.saveButton.setEnabled(doc_.isModified());
}

} // namespace brenvik
