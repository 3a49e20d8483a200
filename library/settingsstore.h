#pragma once

#include "library/result.h"

#include <QString>

namespace brenvik {

namespace settings {

// The kinds of key the table in settingskeys.h holds: section, key and, where it is fixed,
// the default the program starts with when nothing is stored.
struct IntKey {
    const char* section;
    const char* key;
    int def;
};
struct TextKey {
    const char* section;
    const char* key;
    const char* def;
};
// A setting whose default is only known at run time; the caller passes it.
struct RuntimeIntKey {
    const char* section;
    const char* key;
    int layoutDefault; // the value in the window layout, for reference and tests
};
struct RuntimeTextKey {
    const char* section;
    const char* key;
};
// A numbered list of texts: keys prefix1 .. prefix<count>, empty by default.
struct NumberedTextKey {
    const char* section;
    const char* prefix;
    int count;
};

} // namespace settings

// The program's start-up values, kept in "brenvik.ini" in the program folder, read and
// written only through the keys of settingskeys.h. With no backing file every read returns
// the default and writes are dropped.
//
// The file is read and written by this class rather than by QSettings in INI format, which
// reads back differently what this program and its users have in such files: a value with
// a comma (a folder "My Files, old", a font name) comes back as a list, whose text is empty;
// sections and keys match case-sensitively, so a hand-edited "[Main]" or "Top=" is not
// found; a ";" ends the value as a comment ("50% off; really" reads "50% off") and the rest
// is lost on the next write; "[general]" is written as "[%General]" and keys with blanks
// are escaped; and the file is rewritten in sorted order. Here every value reads back as it
// stands, sections and keys match in any case, and the file keeps its order.
class SettingsStore {
public:
    SettingsStore() = default;                      // defaults only
    explicit SettingsStore(const QString& iniPath); // backed by an INI file
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    int read(const settings::IntKey& k) const;
    QString read(const settings::TextKey& k) const;
    int read(const settings::RuntimeIntKey& k, int runtimeDefault) const;
    QString read(const settings::RuntimeTextKey& k, const QString& runtimeDefault) const;
    // Entry `number` (1 .. count) of a numbered list.
    QString read(const settings::NumberedTextKey& k, int number) const;
    void write(const settings::IntKey& k, int value);
    void write(const settings::TextKey& k, const QString& value);
    void write(const settings::RuntimeIntKey& k, int value);
    void write(const settings::RuntimeTextKey& k, const QString& value);
    void write(const settings::NumberedTextKey& k, int number, const QString& value);

    // Writes the stored values to the file (atomically: an old file stays whole when this
    // fails), naming the file and the system's reason on failure.
    Status flush();
    bool persistent() const { return !path_.isEmpty(); }
    // Why an existing file could not be read (its values then read as defaults), or empty.
    QString loadError() const { return loadError_; }

    // Any section and key, as a user reading the file would address them. The program
    // itself goes through the typed keys above.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    QString ReadText(const QString& section, const QString& key, const QString& def) const;
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteText(const QString& section, const QString& key, const QString& value);

private:
    QString path_;
    QString loadError_;
    struct Data;
    Data* data_ = nullptr;
};

} // namespace brenvik
