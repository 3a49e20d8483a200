#include "library/settingsstore.h"

#include "library/savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <vector>

namespace brenvik {

// The file's content in file order, so writing it back keeps the user's arrangement: every
// line the store does not read (comments, blank lines, anything else) stays as its bytes,
// and a value line is rewritten only when its value changes. Sections and keys match
// case-insensitively, as INI files are used to.
struct SettingsStore::Data {
    struct Line {
        QByteArray raw; // as the file holds it, without the line end; empty for a new line
        QString key;    // empty: not a value line
        QString value;
        bool changed = false;
    };
    struct Section {
        QString name;
        QByteArray header; // the "[name]" line as written; empty for the lines before any
        bool added = false;
        std::vector<Line> lines;
    };
    // sections[0] holds the lines before the first section; a section named twice in the
    // file stays two blocks where it stood.
    std::vector<Section> sections{Section{}};
    bool crlf = false;

    bool matches(const Section& s, const QString& name) const {
        return !s.header.isEmpty() && s.name.compare(name, Qt::CaseInsensitive) == 0;
    }
    static bool sameKey(const Line& l, const QString& key) {
        return !l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0;
    }

    // The last value of the key, as a reader taking the file from top to bottom ends with.
    const QString* find(const QString& sectionName, const QString& key) const {
        const QString* found = nullptr;
        for (const Section& s : sections)
            if (matches(s, sectionName))
                for (const Line& l : s.lines)
                    if (sameKey(l, key)) found = &l.value;
        return found;
    }

    void set(const QString& sectionName, const QString& key, const QString& value) {
        Section* first = nullptr;
        bool found = false;
        for (Section& s : sections) {
            if (!matches(s, sectionName)) continue;
            if (!first) first = &s;
            for (Line& l : s.lines)
                if (sameKey(l, key)) {
                    found = true;
                    if (l.value != value) {
                        l.value = value;
                        l.changed = true;
                    }
                }
        }
        if (found) return;
        if (!first) {
            sections.push_back(Section{sectionName, '[' + sectionName.toUtf8() + ']', true, {}});
            first = &sections.back();
        }
        // After the section's last value: comments and blank lines that follow it usually
        // introduce what comes next.
        auto at = first->lines.begin();
        for (auto it = first->lines.begin(); it != first->lines.end(); ++it)
            if (!it->key.isEmpty()) at = it + 1;
        first->lines.insert(at, Line{QByteArray(), key, value, true});
    }

    void parse(const QByteArray& text) {
        QList<QByteArray> rows = text.split('\n');
        if (text.endsWith('\n')) rows.removeLast();
        crlf = text.contains('\n') && rows.front().endsWith('\r');
        Section* current = &sections.front();
        for (QByteArray& raw : rows) {
            if (raw.endsWith('\r')) raw.chop(1);
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                sections.push_back(Section{line.mid(1, line.size() - 2).trimmed(), raw, false, {}});
                current = &sections.back();
                continue;
            }
            Line l{raw, {}, {}, false};
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            // Comments and stray lines, and values before any section, are kept unread.
            const bool comment =
                line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'));
            if (!comment && eq > 0 && !current->header.isEmpty()) {
                l.key = line.left(eq).trimmed();
                l.value = line.mid(eq + 1).trimmed();
            }
            current->lines.push_back(std::move(l));
        }
    }

    static QByteArray valueLine(const Line& l) {
        if (l.raw.isEmpty()) return l.key.toUtf8() + '=' + l.value.toUtf8();
        // The key as the user spelled and indented it, and the blanks after "=".
        qsizetype cut = l.raw.indexOf('=') + 1;
        while (cut < l.raw.size() && (l.raw[cut] == ' ' || l.raw[cut] == '\t'))
            ++cut;
        return l.raw.left(cut) + l.value.toUtf8();
    }

    QByteArray format() const {
        const QByteArray eol = crlf ? "\r\n" : "\n";
        QByteArray out;
        bool lastBlank = true;
        const auto put = [&](const QByteArray& line) {
            out += line + eol;
            lastBlank = line.trimmed().isEmpty();
        };
        for (const Section& s : sections) {
            if (s.added && !lastBlank) put(QByteArray()); // a blank line between sections
            if (!s.header.isEmpty()) put(s.header);
            for (const Line& l : s.lines)
                put(l.changed ? valueLine(l) : l.raw);
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
    data_->parse(file.readAll());
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
    const QByteArray bytes = data_->format();
    const Status written = WriteFileAtomically(path_, [&bytes](QIODevice& device) {
        return WriteAllBytes(device, bytes.constData(), bytes.size());
    });
    if (!written)
        return Status::failure(QStringLiteral("Cannot write the settings file \"%1\": %2")
                                   .arg(path_, ErrorText(written)));
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
