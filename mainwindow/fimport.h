#pragma once

#include "import/importpreview.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace brenvik {

class LibraryTree;

// The import dialog: how a chosen file is read and what its notes would become, before
// anything changes. It shows the format and, for a text file, the separator, quoting, HTML
// and header lines it read, all adjustable; which fields become the question, the answer
// and the notes, and the reversed questions; where the import goes; and a preview of the
// first questions. Every change previews again through the core (PreviewImport). The
// window owns the import itself: on Import the dialog sends `importChosen` with the
// options and closes; on Cancel it just closes.
class TFormImport : public QDialog {
    Q_OBJECT
public:
    // `target` is the object the import goes below (the root: a new library), `targetPath`
    // its "Library > ..." path. A package needs a library that has a file (`libraryHasFile`)
    // for its pictures and sounds.
    TFormImport(std::shared_ptr<const ImportSource> source, const LibraryTree& tree, NodeId target,
                bool libraryHasFile, QWidget* parent = nullptr);

    const ImportSource& source() const { return *source_; }
    NodeId target() const { return target_; }
    // The options as the dialog shows them.
    TextImportOptions options() const;

    QLabel* LFormat = nullptr;
    QComboBox* CBFormat = nullptr;
    QComboBox* CBSeparator = nullptr;
    QComboBox* CBQuoting = nullptr;
    QComboBox* CBHtml = nullptr;
    QComboBox* CBHeaderRow = nullptr;
    QLabel* LHeaderLines = nullptr;
    QComboBox* CBQuestion = nullptr;
    QComboBox* CBAnswer = nullptr;
    QComboBox* CBNotes = nullptr;
    QCheckBox* CBReversed = nullptr;
    QLabel* LTarget = nullptr;
    QTableWidget* TPreview = nullptr;
    QLabel* LCounts = nullptr;
    QPushButton* BImport = nullptr;
    QPushButton* BCancel = nullptr;

Q_SIGNALS:
    void importChosen();

private:
    void buildControls();
    // A reading option changed: the notes are read again, then previewed.
    void readOptionChanged();
    // A field choice changed: the same notes are previewed again.
    void fieldChoiceChanged();
    void fillFieldChoices();
    void showPreview();
    void BImportClick();

    std::shared_ptr<const ImportSource> source_;
    const LibraryTree& tree_;
    NodeId target_;
    bool libraryHasFile_;
    Result<NoteList> notes_ = Result<NoteList>::failure("not read");
    bool filling_ = false;
};

} // namespace brenvik
