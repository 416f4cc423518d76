#include "settings/ApplySkin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPalette>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace {

// Qt silently drops a style sheet it cannot parse and falls back to the
// platform look; an unbalanced brace is the usual damage, so it is caught here
// to keep the previous skin instead.
bool looksWhole(const QString &sheet)
{
    int depth = 0;
    bool inComment = false;
    for (qsizetype i = 0; i < sheet.size(); ++i) {
        const QChar c = sheet.at(i);
        const QChar next = i + 1 < sheet.size() ? sheet.at(i + 1) : QChar();
        if (inComment) {
            if (c == QLatin1Char('*') && next == QLatin1Char('/')) {
                inComment = false;
                ++i;
            }
            continue;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            inComment = true;
            ++i;
        } else if (c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char('}')) {
            if (--depth < 0)
                return false;
        }
    }
    return depth == 0 && !inComment;
}

double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A style sheet cannot colour the links of a label's rich text; they take the
// palette's, a dark blue that vanishes on a dark skin. The blue that reads
// better on the skin's background is put in the palette.
void makeLinksReadable(QApplication *app)
{
    QLabel probe;
    probe.ensurePolished();
    const QColor background = probe.palette().color(QPalette::Window);
    const QColor dark(0x0b, 0x57, 0xd0), light(0x7c, 0xc8, 0xff);
    const QColor link = contrast(dark, background) >= contrast(light, background) ? dark : light;
    QPalette palette = app->palette();
    palette.setColor(QPalette::Link, link);
    palette.setColor(QPalette::LinkVisited, link);
    app->setPalette(palette);
}

} // namespace

bool ApplySkin(const QString &programFolder, const QString &relativePath)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    QFile file(QDir(programFolder).filePath(relativePath));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString sheet = utf8.decode(bytes);
    if (utf8.hasError() || sheet.trimmed().isEmpty() || !looksWhole(sheet))
        return false;
    app->setStyleSheet(sheet);
    makeLinksReadable(app);
    return true;
}
