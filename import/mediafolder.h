#pragma once

#include "library/result.h"

#include <QString>
#include <map>
#include <string>
#include <string_view>

namespace brenvik {

// The name of the media folder of the library file `libraryPath`: "<base name> media"
// beside it ("Geography media" for Geography.brv). Pictures and sounds are named relative
// to the library ("Geography media/flag.png"), so a library and its folder move together.
QString MediaFolderName(const QString& libraryPath);

// Whether a media name from a package may be used as a file name in the media folder: no
// folder part and nothing that could point outside it. Empty when it may, else the reason
// ("its name contains "..""), for messages.
std::string UnsafeMediaName(std::string_view name);

// A media name as messages show it: control characters (NUL) as "\x00".
std::string PrintableMediaName(std::string_view name);

// Media files of one import, written into a temporary folder beside the library first and
// brought into the media folder only by commit(), after the library itself is written. An
// import that fails, or whose library is not written, leaves no files behind: the
// destructor removes an uncommitted staging folder.
//
// An existing media folder keeps every file it holds: a file of the same name and the same
// bytes is shared, a different one keeps its name and the new file gets "name (2).ext"
// (the next free number) instead.
class MediaStage {
public:
    explicit MediaStage(const QString& libraryPath);
    ~MediaStage();
    MediaStage(const MediaStage&) = delete;
    MediaStage& operator=(const MediaStage&) = delete;

    // Stages one file; returns its name relative to the library ("Geography media/flag.png").
    // The same package name staged twice gives the name of the first.
    Result<std::string> add(const std::string& name, std::string_view bytes);

    // How many files were staged (shared ones included).
    int count() const { return int(names_.size()); }
    bool empty() const { return names_.empty(); }

    // Moves the staged files into the media folder (renames the staging folder when there
    // is none yet). Fails with the system's reason and the file's name.
    Status commit();

private:
    QString libraryDir_, folderName_, stagingPath_;
    bool committed_ = false;
    std::map<std::string, std::string> names_; // package name -> name in the folder
    std::map<std::string, bool> fresh_;        // file name in the folder -> staged here
};

} // namespace brenvik
