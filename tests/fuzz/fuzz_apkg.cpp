// The Anki package reader: any bytes either are refused with a reason or give notes whose
// questions a session can show (pane 1 holds text or a named picture, a second pane only a
// named picture, the answer is not empty), every question at the Question level, and one
// undo puts the library back byte for byte. The cloze reader takes the bytes as a field.
#include "fuzzcheck.h"
#include "import/apkgreader.h"
#include "import/notebuilder.h"
#include "importcheck.h"
#include "library/colors.h"
#include "library/demodata.h"
#include "library/librarytree.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/undostore.h"

#include <cstdint>
#include <string>

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FixedDesktopColors desktop;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    for (const ClozeCard& card : ClozeCards(bytes))
        // Each deletion is replaced by less than it takes: "[...]", "[hint]" or its text.
        FUZZ_CHECK(card.question.size() <= bytes.size() && card.answer.size() <= bytes.size());

    // Small limits: a package that claims more is refused before anything is unpacked.
    PackageLimits limits;
    limits.maxUnpacked = 64 << 20;
    auto file = PackageFile::openBytes(bytes, limits);
    if (!file) {
        FUZZ_CHECK(!file.error().empty());
        return 0;
    }
    Result<AnkiPackage> read = ReadAnkiPackage(*file.value());
    if (!read) {
        FUZZ_CHECK(!read.error().empty());
        return 0;
    }
    LibraryTree tree;
    NewEmptyLibrary(tree, "host", "user");
    UndoStore undo(tree);
    const std::string before = WriteOutline(tree);
    BuildOptions options;
    options.sourceName = "fuzz";
    const Result<ImportSummary> done =
        BuildImport(tree, undo, tree.first(), read.value().notes, options, desktop);
    if (!done) {
        CheckFailedImport(done.error(), tree, undo, before);
        return 0;
    }
    int questions = 0;
    ForEachPreorder(tree, [&](NodeId n, int depth) {
        if (tree.kind(n) != Question) return;
        FUZZ_CHECK(depth == Question);
        QuestionRecord record = QuestionRecord::newRecord(desktop);
        FUZZ_CHECK(ReadQuestionRecord(tree, n, record, desktop).ok());
        const PaneRecord& first = record.panes[0];
        if (first.content == TextContent) {
            FUZZ_CHECK(HasText(first.textLines));
        } else {
            FUZZ_CHECK(first.content == ImageContent && !first.imageFile.empty());
            FUZZ_CHECK(record.layout == 1);
        }
        FUZZ_CHECK(record.layout == 1 || record.layout == 2);
        if (record.layout == 2)
            FUZZ_CHECK(record.panes[1].content == ImageContent &&
                       !record.panes[1].imageFile.empty());
        FUZZ_CHECK(HasText({record.answer}));
        ++questions;
    });
    FUZZ_CHECK(questions == done.value().questions && questions > 0);
    CheckWritesBackAndUndoes(tree, undo, before);
    return 0;
}
