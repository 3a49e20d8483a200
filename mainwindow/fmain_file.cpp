// The File menu: new, open, reopen, save, save as, the unsaved-changes question and the
// auto-save before a study run.
#include "mainwindow/fmain.h"

#include "library/objects.h"
#include "library/settingskeys.h"
#include "library/undostore.h"
#include "mainwindow/librarydocument.h"
#include "mainwindow/libraryitemmodel.h"
#include "panels/faboutbox.h"
#include "platform/prompts.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QMenu>
#include <QToolButton>

namespace brenvik {

namespace {
const QString kFilter = QStringLiteral("Brenvik files (*.bv1)");
const settings::RuntimeTextKey& kFolderKey = settings::MainLibraryDir;
} // namespace

QString TFormMain::dialogFolder(const settings::RuntimeTextKey& key) const {
    const QString folder = settings_->read(key, deps_.programFolder);
    return QFileInfo(folder).isDir() ? folder : deps_.programFolder;
}

void TFormMain::rememberDialogFolder(const settings::RuntimeTextKey& key, const QString& path) {
    settings_->write(key, QFileInfo(path).absolutePath());
}

bool TFormMain::querySaveChanges() {
    if (!doc_->isModified()) return true;
    Speak(QStringLiteral("Please confirm."));
    const int answer = deps_.prompts->message(
        this, QStringLiteral("Confirm"), QStringLiteral("Save changes?"), Prompts::Icon::Question,
        Prompts::Yes | Prompts::No | Prompts::Cancel, Prompts::Yes);
    if (answer == Prompts::Yes) return MISaveClick();
    return answer == Prompts::No;
}

void TFormMain::MINewClick() {
    if (EditorBusy(QStringLiteral("performing another operation.")) || !querySaveChanges()) return;
    doc_->newEmpty(computerName().toStdString(), userName().toStdString());
    undo_->clear();
    afterLoad();
}

void TFormMain::MIOpenClick() {
    if (EditorBusy(QStringLiteral("performing another operation.")) || !querySaveChanges()) return;
    const QString path = deps_.prompts->openFile(this, QStringLiteral("Open file"),
                                                 dialogFolder(kFolderKey), kFilter);
    if (path.isEmpty()) return;
    rememberDialogFolder(kFolderKey, path);
    openFile(path);
}

void TFormMain::openFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        doc_->removeRecentFile(path);
        showError(QStringLiteral("File not found: ") + path);
        return;
    }
    const std::uint64_t generation = tree_.generation();
    const Status loaded = doc_->load(path);
    if (tree_.generation() == generation) { // nothing was read: all stays as it was
        showError(ErrorText(loaded));
        return;
    }
    undo_->clear();
    afterLoad();
    if (!loaded)
        showError(ErrorText(loaded)); // the part read before the damage stays, without a file
    else if (!doc_->loadWarning().isEmpty())
        deps_.prompts->message(this, QStringLiteral("Warning"), doc_->loadWarning(),
                               Prompts::Icon::Warning);
    else
        doc_->addRecentFile(path);
}

void TFormMain::afterLoad() {
    SetRootCaption(tree_, computerName().toStdString(), userName().toStdString());
    for (NodeId top = tree_.first(); top != NoNode; top = tree_.nextSibling(top))
        TVObjs->expand(model_->indexFromNode(top));
    selectNode(tree_.first());
    RefreshSelectionViews();
    updateCaption();
}

bool TFormMain::MISaveClick() {
    if (!doc_->hasFile()) return MISaveAsClick();
    if (const Status saved = doc_->save(); !saved) {
        showError(ErrorText(saved));
        return false;
    }
    doc_->addRecentFile(doc_->filePath());
    return true;
}

bool TFormMain::MISaveAsClick() {
    const QString path =
        deps_.prompts->saveFile(this, QStringLiteral("Save file as"), dialogFolder(kFolderKey),
                                kFilter, QStringLiteral("bv1"));
    if (path.isEmpty()) return false;
    rememberDialogFolder(kFolderKey, path);
    if (const Status saved = doc_->saveAs(path); !saved) {
        showError(ErrorText(saved));
        return false;
    }
    doc_->addRecentFile(doc_->filePath());
    return true;
}

Status TFormMain::autoSave() {
    if (!CBAutoSave->isChecked() || !doc_->hasFile() || !doc_->isModified())
        return Status::success();
    return doc_->save();
}

void TFormMain::rebuildReopenMenu() {
    MReopen->clear();
    const QStringList files = doc_->recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        const QString name =
            QString::fromStdString(EscapeAmpersands(QFileInfo(path).fileName().toStdString()));
        QAction* a = MReopen->addAction(QStringLiteral("&%1 - %2").arg(i + 1).arg(name));
        a->setToolTip(path);
        a->setStatusTip(path);
        connect(a, &QAction::triggered, this, [this, path] {
            if (EditorBusy(QStringLiteral("performing another operation.")) || !querySaveChanges())
                return;
            openFile(path);
        });
    }
    MReopen->setEnabled(!files.isEmpty());
}

void TFormMain::updateCaption() {
    QString title = TAboutBox::applicationTitle();
    if (doc_->hasFile()) title += QStringLiteral(" - ") + QFileInfo(doc_->filePath()).fileName();
    if (doc_->isModified()) title += QStringLiteral(" *");
    setWindowTitle(title);
    MISave->setEnabled(doc_->isModified());
    BSave->setEnabled(doc_->isModified());
}

} // namespace brenvik
