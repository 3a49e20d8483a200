#pragma once

#include <QString>

namespace brenvik {

// Named start-up values addressed by section and key, each read with the caller's
// default. With no backing file every read returns the default; with one (an INI file
// in the program folder) stored values are returned and can be written back.
class SettingsStore {
public:
    SettingsStore() = default;                      // defaults only
    explicit SettingsStore(const QString& iniPath); // backed by an INI file
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    int ReadInteger(const QString& section, const QString& key, int def) const;
    QString ReadText(const QString& section, const QString& key, const QString& def) const;
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteText(const QString& section, const QString& key, const QString& value);
    // Writes the stored values to the file; returns an error text or empty.
    QString flush();
    bool persistent() const { return !path_.isEmpty(); }
    // Why an existing file could not be read (its values then read as defaults), or empty.
    QString loadError() const { return loadError_; }

private:
    QString path_;
    QString loadError_;
    struct Data;
    Data* data_ = nullptr;
};

} // namespace brenvik
