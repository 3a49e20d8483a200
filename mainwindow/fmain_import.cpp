// File > Import: the window asks for a file and shows the import dialog; the core reads,
// previews and imports (import/importpreview.h); the window then brings its tree, undo
// buttons and selection up to date as after the other tree commands.
#include "mainwindow/fimport.h"
#include "mainwindow/fmain.h"

#include "library/objects.h"
#include "library/undostore.h"
#include "mainwindow/busywork.h"
#include "mainwindow/librarydocument.h"
#include "mainwindow/libraryitemmodel.h"
#include "platform/prompts.h"

#include <QFileInfo>
#include <memory>

namespace brenvik {

namespace {
const QString kImportFilter = QStringLiteral("Anki packages (*.apkg *.colpkg);;"
                                             "Text files (*.txt *.tsv *.csv);;"
                                             "All files (*)");
} // namespace

TFormImport* TFormMain::importDialog() const {
    return static_cast<TFormImport*>(importDialog_.data());
}

NodeId TFormMain::importTarget() const {
    // The object selected, or the one the selected question sits in; the root (a new
    // library) when nothing is selected.
    NodeId n = selectedNode();
    while (n != NoNode && tree_.parent(n) != NoNode &&
           !(isObjectKind(tree_.kind(n)) && tree_.depth(n) < Question))
        n = tree_.parent(n);
    return n == NoNode ? tree_.first() : n;
}

void TFormMain::MIImportClick() {
    if (!startupFinished() || importDialog_ ||
        EditorBusy(QStringLiteral("performing another operation.")))
        return;
    const QString folder =
        doc_->hasFile() ? QFileInfo(doc_->filePath()).absolutePath() : deps_.programFolder;
    const QString path =
        deps_.prompts->openFile(this, QStringLiteral("Import"), folder, kImportFilter);
    if (path.isEmpty()) return;
    auto source = ImportSource::open(path);
    if (!source) {
        showError(ErrorText(source));
        return;
    }
    auto* dialog = new TFormImport(source.value(), tree_, importTarget(), doc_->hasFile(), this);
    importDialog_ = dialog;
    connect(dialog, &TFormImport::importChosen, this, [this, dialog] { runImport(dialog); });
    connect(dialog, &QDialog::finished, this, [this] { importDialog_ = nullptr; });
    dialog->show();
}

void TFormMain::runImport(TFormImport* dialog) {
    auto busy = std::make_unique<BusyWork>(this, QStringLiteral("Importing..."));
    TextImportOptions options = dialog->options();
    options.build.progress = busy->progress();
    Result<PackageImport> done = dialog->source().import(tree_, *undo_, dialog->target(),
                                                         doc_->filePath(), options, *deps_.colors);
    busy.reset(); // the boxes below come with the ordinary cursor
    if (!done) {
        showError(ErrorText(done));
        return;
    }
    PackageImport& result = done.value();
    // The media folder beside the library takes the files now; should that fail, the
    // questions that name them go again, so nothing is half imported.
    if (result.media && !result.media->empty())
        if (const Status media = result.media->commit(); !media) {
            undo_->undo();
            showError(ErrorText(media));
            return;
        }
    selectNode(result.summary.top);
    TVObjs->expand(model_->indexFromNode(result.summary.top));
    RefreshSelectionViews();
    deps_.prompts->message(this, QStringLiteral("Import"), result.summary.text(),
                           Prompts::Icon::Information);
}

} // namespace brenvik
