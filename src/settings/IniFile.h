#pragma once

#include "core/Outcome.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// A private-profile (INI) file as Windows programs keep it: section and key
// names match without regard to case, values are trimmed and lose a pair of
// enclosing quotes, and a write touches one line only, so that every line the
// program does not know survives byte for byte. The file is GBK (read and
// written as GB18030) unless it is UTF-8 (a hand edit in a modern editor),
// which is written back as UTF-8, its byte-order mark kept; it is replaced
// whole or not at all.
class IniFile final {
public:
    explicit IniFile(QString path);

    // A missing file is an empty one; an unreadable one is reported.
    Outcome load();
    void loadFromBytes(const QByteArray &bytes);

    bool contains(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &fallback) const;
    void setValue(const QString &section, const QString &key, const QString &value);

    QByteArray toBytes() const;
    Outcome save() const;

    const QString &path() const { return m_path; }

private:
    struct Line {
        QByteArray raw; // without its line end
        QByteArray end; // "\r\n", "\n" or empty for a last line without one
    };
    struct KeyPos {
        int sectionStart = -1; // index of the section's header line
        int sectionEnd = -1;   // one past the section's last line
        int keyLine = -1;
    };

    KeyPos find(const QString &section, const QString &key) const;
    QString decode(const QByteArray &raw) const;
    QByteArray encode(const QString &text) const;
    static QString sectionName(const QString &line, bool *isSection);
    static bool splitKey(const QString &line, QString *key, QString *value);

    QString m_path;
    QVector<Line> m_lines;
    bool m_utf8 = false;
    bool m_byteOrderMark = false;
};

// The one read routine of the program. A value longer than 254 characters
// comes back cut to 254, as from the classic 255-character buffer.
QString GetFromINI(const QString &section, const QString &key, const QString &fallback, const QString &path);
// The same from a file already loaded (nullptr: it could not be read), for a
// reader of several keys.
QString GetFromINI(const QString &section, const QString &key, const QString &fallback, const IniFile *loaded);

// The one write routine: replaces or appends one key and saves the file.
Outcome WriteToINI(const QString &section, const QString &key, const QString &value, const QString &path);
