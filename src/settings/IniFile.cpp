#include "settings/IniFile.h"

#include "core/GbkText.h"
#include "core/SaveWhole.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr int kMaxValueLength = 254;

QString stripQuotes(const QString &value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

// A value must stay on its line: a line break in it would forge other keys.
QString singleLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}
} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

Outcome IniFile::load()
{
    m_lines.clear();
    QFile file(m_path);
    if (!file.exists())
        return Outcome::success();
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::failure(QStringLiteral("无法读取设置文件 %1：%2").arg(m_path, file.errorString()));
    loadFromBytes(file.readAll());
    return Outcome::success();
}

void IniFile::loadFromBytes(const QByteArray &bytes)
{
    m_lines.clear();
    static const QByteArray mark("\xEF\xBB\xBF");
    // GBK text can pass for UTF-8 by chance; the program's own section name
    // spelled in UTF-8 cannot, and is what a re-saved config.ini holds.
    m_byteOrderMark = bytes.startsWith(mark);
    m_utf8 = m_byteOrderMark || (bytes.isValidUtf8() && bytes.contains(QStringLiteral("设置").toUtf8()));
    qsizetype start = m_byteOrderMark ? mark.size() : 0;
    while (start < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', start);
        Line line;
        if (nl < 0) {
            line.raw = bytes.mid(start);
            start = bytes.size();
        } else {
            line.raw = bytes.mid(start, nl - start);
            line.end = "\n";
            if (line.raw.endsWith('\r')) {
                line.raw.chop(1);
                line.end = "\r\n";
            }
            start = nl + 1;
        }
        m_lines.push_back(line);
    }
}

QString IniFile::sectionName(const QString &line, bool *isSection)
{
    const QString trimmed = line.trimmed();
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    *isSection = trimmed.startsWith(QLatin1Char('[')) && close > 0;
    return *isSection ? trimmed.mid(1, close - 1).trimmed() : QString();
}

bool IniFile::splitKey(const QString &line, QString *key, QString *value)
{
    if (line.trimmed().startsWith(QLatin1Char(';')))
        return false;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    *value = stripQuotes(line.mid(eq + 1).trimmed());
    return true;
}

QString IniFile::decode(const QByteArray &raw) const
{
    return m_utf8 ? QString::fromUtf8(raw) : GbkText::decode(raw);
}

QByteArray IniFile::encode(const QString &text) const
{
    return m_utf8 ? text.toUtf8() : GbkText::encode(text);
}

IniFile::KeyPos IniFile::find(const QString &section, const QString &key) const
{
    KeyPos pos;
    bool inSection = false;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString text = decode(m_lines[i].raw);
        bool isSection = false;
        const QString name = sectionName(text, &isSection);
        if (isSection) {
            if (inSection) {
                pos.sectionEnd = i;
                return pos; // only the first section of that name counts
            }
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            if (inSection)
                pos.sectionStart = i;
            continue;
        }
        if (!inSection || pos.keyLine >= 0)
            continue;
        QString k, v;
        if (splitKey(text, &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0)
            pos.keyLine = i;
    }
    if (pos.sectionStart >= 0)
        pos.sectionEnd = int(m_lines.size());
    return pos;
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    return find(section, key).keyLine >= 0;
}

QString IniFile::value(const QString &section, const QString &key, const QString &fallback) const
{
    const KeyPos pos = find(section, key);
    if (pos.keyLine < 0)
        return fallback;
    QString k, v;
    splitKey(decode(m_lines[pos.keyLine].raw), &k, &v);
    return v;
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    const QByteArray keyLine = encode(key.trimmed() + QLatin1Char('=') + singleLine(value));
    const KeyPos pos = find(section, key);
    if (pos.keyLine >= 0) {
        // Keep the key as the file spells it; only the value changes.
        const QString old = decode(m_lines[pos.keyLine].raw);
        const QString spelled = old.left(old.indexOf(QLatin1Char('='))).trimmed();
        m_lines[pos.keyLine].raw = encode(spelled + QLatin1Char('=') + singleLine(value));
        return;
    }
    // Only a line that the new one follows needs an end of its own; any other
    // line keeps its bytes, a last line without an end included.
    auto endLineBefore = [this](int at) {
        if (at > 0 && m_lines[at - 1].end.isEmpty())
            m_lines[at - 1].end = "\r\n";
    };
    if (pos.sectionStart >= 0) {
        // Append after the section's last non-blank line.
        int at = pos.sectionEnd;
        while (at - 1 > pos.sectionStart && m_lines[at - 1].raw.trimmed().isEmpty())
            --at;
        endLineBefore(at);
        m_lines.insert(at, Line{keyLine, "\r\n"});
        return;
    }
    endLineBefore(int(m_lines.size()));
    m_lines.push_back(Line{encode(QLatin1Char('[') + section + QLatin1Char(']')), "\r\n"});
    m_lines.push_back(Line{keyLine, "\r\n"});
}

QByteArray IniFile::toBytes() const
{
    QByteArray out = m_byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const Line &line : m_lines)
        out += line.raw + line.end;
    return out;
}

Outcome IniFile::save() const
{
    QString reason;
    if (!SaveWhole(m_path, toBytes(), &reason))
        return Outcome::failure(QStringLiteral("无法写入设置文件 %1：%2").arg(m_path, reason));
    return Outcome::success();
}

QString GetFromINI(const QString &section, const QString &key, const QString &fallback, const QString &path)
{
    IniFile ini(path);
    return GetFromINI(section, key, fallback, ini.load() ? &ini : nullptr);
}

QString GetFromINI(const QString &section, const QString &key, const QString &fallback, const IniFile *loaded)
{
    return (loaded ? loaded->value(section, key, fallback) : fallback).left(kMaxValueLength);
}

Outcome WriteToINI(const QString &section, const QString &key, const QString &value, const QString &path)
{
    IniFile ini(path);
    if (Outcome loaded = ini.load(); !loaded)
        return loaded;
    ini.setValue(section, key, value);
    return ini.save();
}
