#include "library/settingsstore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <vector>

namespace brenvik {

// The file's content in file order, so writing it back keeps the user's arrangement.
// Sections and keys match case-insensitively, as INI files are used to.
struct SettingsStore::Data {
    struct Entry {
        QString key, value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };
    std::vector<Section> sections;

    Section* section(const QString& name) {
        for (Section& s : sections)
            if (s.name.compare(name, Qt::CaseInsensitive) == 0) return &s;
        return nullptr;
    }
    const QString* find(const QString& sectionName, const QString& key) {
        if (Section* s = section(sectionName))
            for (const Entry& e : s->entries)
                if (e.key.compare(key, Qt::CaseInsensitive) == 0) return &e.value;
        return nullptr;
    }
    void set(const QString& sectionName, const QString& key, const QString& value) {
        Section* s = section(sectionName);
        if (!s) {
            sections.push_back({sectionName, {}});
            s = &sections.back();
        }
        for (Entry& e : s->entries)
            if (e.key.compare(key, Qt::CaseInsensitive) == 0) {
                e.value = value;
                return;
            }
        s->entries.push_back({key, value});
    }

    void parse(const QString& text) {
        Section* current = nullptr;
        for (const QString& raw : text.split(QLatin1Char('\n'))) {
            QString line = raw.trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
                line.startsWith(QLatin1Char('#')))
                continue;
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                QString name = line.mid(1, line.size() - 2).trimmed();
                current = section(name);
                if (!current) {
                    sections.push_back({name, {}});
                    current = &sections.back();
                }
                continue;
            }
            qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq <= 0 || !current) continue; // a stray line is ignored, not an error
            // The section exists already, so set() cannot move it.
            set(current->name, line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
        }
    }

    QString format() const {
        QString out;
        for (const Section& s : sections) {
            if (!out.isEmpty()) out += QLatin1Char('\n');
            out += QLatin1Char('[') + s.name + QLatin1String("]\n");
            for (const Entry& e : s.entries)
                out += e.key + QLatin1Char('=') + e.value + QLatin1Char('\n');
        }
        return out;
    }
};

SettingsStore::SettingsStore(const QString& iniPath) : path_(iniPath), data_(new Data) {
    QFileInfo info(iniPath);
    if (!info.exists()) return; // nothing stored yet: every read gives its default
    QFile file(iniPath);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        loadError_ =
            QStringLiteral("Cannot read the settings file \"%1\": %2")
                .arg(iniPath, info.isFile() ? file.errorString() : QStringLiteral("not a file"));
        return;
    }
    data_->parse(QString::fromUtf8(file.readAll()));
}

SettingsStore::~SettingsStore() {
    delete data_;
}

int SettingsStore::ReadInteger(const QString& section, const QString& key, int def) const {
    if (!data_) return def;
    const QString* v = data_->find(section, key);
    if (!v) return def;
    bool ok = false;
    int value = v->toInt(&ok, 10);
    return ok ? value : def;
}

QString SettingsStore::ReadText(const QString& section, const QString& key,
                                const QString& def) const {
    if (!data_) return def;
    const QString* v = data_->find(section, key);
    return v ? *v : def;
}

void SettingsStore::WriteInteger(const QString& section, const QString& key, int value) {
    WriteText(section, key, QString::number(value));
}

void SettingsStore::WriteText(const QString& section, const QString& key, const QString& value) {
    if (!data_) return; // defaults only: nothing is kept
    // A line break would end the value early when the file is read back.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    data_->set(section, key, oneLine);
}

Status SettingsStore::flush() {
    if (!data_) return Status::success();
    QSaveFile file(path_);
    const auto failure = [&] {
        return Status::failure(QStringLiteral("Cannot write the settings file \"%1\": %2")
                                   .arg(path_, file.errorString())
                                   .toStdString());
    };
    if (!file.open(QIODevice::WriteOnly)) return failure();
    file.write(data_->format().toUtf8());
    if (!file.commit()) return failure();
    return Status::success();
}

namespace {

QString latin(const char* text) {
    return QString::fromLatin1(text);
}

QString numbered(const settings::NumberedTextKey& k, int number) {
    return latin(k.prefix) + QString::number(number);
}

} // namespace

int SettingsStore::read(const settings::IntKey& k) const {
    return ReadInteger(latin(k.section), latin(k.key), k.def);
}

QString SettingsStore::read(const settings::TextKey& k) const {
    return ReadText(latin(k.section), latin(k.key), latin(k.def));
}

int SettingsStore::read(const settings::RuntimeIntKey& k, int runtimeDefault) const {
    return ReadInteger(latin(k.section), latin(k.key), runtimeDefault);
}

QString SettingsStore::read(const settings::RuntimeTextKey& k,
                            const QString& runtimeDefault) const {
    return ReadText(latin(k.section), latin(k.key), runtimeDefault);
}

QString SettingsStore::read(const settings::NumberedTextKey& k, int number) const {
    return ReadText(latin(k.section), numbered(k, number), QString());
}

void SettingsStore::write(const settings::IntKey& k, int value) {
    WriteInteger(latin(k.section), latin(k.key), value);
}

void SettingsStore::write(const settings::TextKey& k, const QString& value) {
    WriteText(latin(k.section), latin(k.key), value);
}

void SettingsStore::write(const settings::RuntimeIntKey& k, int value) {
    WriteInteger(latin(k.section), latin(k.key), value);
}

void SettingsStore::write(const settings::RuntimeTextKey& k, const QString& value) {
    WriteText(latin(k.section), latin(k.key), value);
}

void SettingsStore::write(const settings::NumberedTextKey& k, int number, const QString& value) {
    WriteText(latin(k.section), numbered(k, number), value);
}

} // namespace brenvik
