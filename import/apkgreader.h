#pragma once

#include "import/importnote.h"
#include "library/result.h"

#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct zip;

namespace brenvik {

// An Anki package (.apkg, .colpkg) read: its notes, ready for BuildImport, and its media.
//
// A package is a zip holding one SQLite collection and its media files, numbered. Of the
// collections it may hold the newest one is read: "collection.anki21b" (zstd-compressed,
// note types and decks in their own tables, the media list a zstd-compressed protobuf
// message, the media files zstd-compressed), else "collection.anki21", else
// "collection.anki2" (schema 11: note types and decks as JSON in `col`, the media list a
// JSON object). A note lands in the deck of its first card; fields are HTML.
//
// What becomes of a note depends on its note type:
// - Basic and its variants: the first field is the question, the second the answer;
//   "Basic (and reversed card)" also adds it reversed, "Basic (optional reversed card)"
//   when its third field is filled;
// - Cloze: each deletion number N of `{{cN::text::hint}}` becomes one note whose question
//   is the text with "[...]" (or "[hint]") in place of deletion N and the other deletions
//   as their text, and whose answer is the text of deletion N (several joined by " / ");
//   the fields after the first follow as note lines;
// - Image Occlusion (only pictures and masks): skipped and counted;
// - any other note type: by its fields, as Basic, and counted in a notice.
// The first <img src> of each field and every [sound:NAME] are taken out of the field and
// kept in the note by their package name (importnote.h); the importer renames them.
struct AnkiPackage {
    NoteList notes;
    // Package media name -> zip entry holding it, for the files the media list names.
    std::map<std::string, std::string> media;
    bool zstdMedia = false;           // the media files are zstd-compressed (collection.anki21b)
    std::string collection;           // which collection was read ("collection.anki2")
    std::vector<std::string> notices; // notes skipped or read by their fields
};

// The reading limits: a zip whose entries would unpack beyond `maxUnpacked` bytes in all,
// or an entry beyond `maxRatio` times its packed size (entries under `ratioFloor` bytes
// unpacked are not held to the ratio), is refused before anything is unpacked.
struct PackageLimits {
    std::uint64_t maxUnpacked = std::uint64_t(4) << 30;
    double maxRatio = 200;
    std::uint64_t ratioFloor = 1 << 20;
};

// An open package: the zip stays open so that media files are unpacked one at a time.
class PackageFile {
public:
    ~PackageFile();
    // Opens the zip and checks it against the limits. The error is the reason alone ("it is
    // no zip file", "it is damaged: ...").
    static Result<std::unique_ptr<PackageFile>> open(const QString& path,
                                                     const PackageLimits& limits = {});
    // The same for a package in memory (the fuzz target's way in).
    static Result<std::unique_ptr<PackageFile>> openBytes(std::string bytes,
                                                          const PackageLimits& limits = {});
    bool has(const std::string& entry) const;
    // The unpacked bytes of an entry; the error is the reason alone.
    Result<std::string> read(const std::string& entry) const;
    // The bytes of a media entry, zstd-decompressed for the newer packages.
    Result<std::string> readMedia(const std::string& entry, bool zstd) const;
    // How far zstd data of `packed` bytes may unpack: the limits hold inside the zip too.
    std::uint64_t unpackLimit(std::size_t packed) const;

private:
    PackageFile() = default;
    static Result<std::unique_ptr<PackageFile>> checked(::zip* z, const PackageLimits& limits,
                                                        std::unique_ptr<std::string> bytes);
    std::unique_ptr<std::string> bytes_; // a package in memory, which libzip reads from

    ::zip* zip_ = nullptr;
    PackageLimits limits_;
};

// Reads the notes and the media list of an open package. The error is the reason alone
// ("its collection is damaged: file is not a database").
Result<AnkiPackage> ReadAnkiPackage(const PackageFile& package);

// Decompresses a zstd frame, refusing more than `limit` bytes. Exposed for the tests.
Result<std::string> ZstdDecompress(std::string_view data, std::uint64_t limit);

// The cloze deletions of a field turned into questions: per deletion number in rising
// order, the question text and the answer (see AnkiPackage).
struct ClozeCard {
    int number = 0;
    std::string question, answer;
};
std::vector<ClozeCard> ClozeCards(std::string_view text);

// Whether a file starts as a zip does ("PK\3\4", or "PK\5\6" for an empty one).
bool LooksLikeZip(std::string_view head);

} // namespace brenvik
