#include "settings/WindowPlace.h"

#include "settings/AppSettings.h"
#include "settings/IniFile.h"

namespace WindowPlace {
namespace {
const QString kLeft = QStringLiteral("左");
const QString kTop = QStringLiteral("上");
const QString kWidth = QStringLiteral("宽");
const QString kHeight = QStringLiteral("高");
const QString kMaximised = QStringLiteral("最大化");

bool number(const IniFile &ini, const QString &key, int *value)
{
    bool ok = false;
    *value = ini.value(kSection, key, QString()).toInt(&ok);
    return ok;
}
} // namespace

Place read(const QString &programFolder, const QStringList &splitterKeys)
{
    Place place;
    IniFile ini(AppSettings::filePath(programFolder));
    if (!ini.load())
        return place;
    int left = 0, top = 0, width = 0, height = 0;
    if (number(ini, kLeft, &left) && number(ini, kTop, &top) && number(ini, kWidth, &width) &&
        number(ini, kHeight, &height) && width > 0 && height > 0)
        place.normal = QRect(left, top, width, height);
    place.maximised = ini.value(kSection, kMaximised, QString()) == QLatin1String("1");
    for (const QString &key : splitterKeys) {
        QList<int> sizes;
        for (const QString &part : ini.value(kSection, key, QString()).split(QLatin1Char(','))) {
            bool ok = false;
            const int size = part.trimmed().toInt(&ok);
            if (!ok || size < 0) {
                sizes.clear();
                break;
            }
            sizes << size;
        }
        if (sizes.size() > 1)
            place.splitters.insert(key, sizes);
    }
    return place;
}

Outcome write(const QString &programFolder, const Place &place)
{
    IniFile ini(AppSettings::filePath(programFolder));
    if (Outcome loaded = ini.load(); !loaded)
        return loaded;
    const QRect &f = place.normal;
    const QPair<QString, int> numbers[] = {
        {kLeft, f.left()}, {kTop, f.top()}, {kWidth, f.width()}, {kHeight, f.height()}, {kMaximised, place.maximised}};
    for (const auto &[key, value] : numbers)
        ini.setValue(kSection, key, QString::number(value));
    for (auto it = place.splitters.cbegin(); it != place.splitters.cend(); ++it) {
        QStringList sizes;
        for (int size : it.value())
            sizes << QString::number(size);
        ini.setValue(kSection, it.key(), sizes.join(QLatin1Char(',')));
    }
    return ini.save();
}

QRect keptOnScreen(const QRect &wanted, const QRect &available, const QSize &minimum)
{
    const QSize size = wanted.size().boundedTo(available.size()).expandedTo(minimum);
    // Too big to fit even so: its top-left corner, with the title bar, stays in reach.
    const int left = qMax(available.left(), qMin(wanted.left(), available.right() + 1 - size.width()));
    const int top = qMax(available.top(), qMin(wanted.top(), available.bottom() + 1 - size.height()));
    return QRect(QPoint(left, top), size);
}

QRect firstPlace(const QRect &available, const QSize &minimum)
{
    const QSize size = (available.size() * 4 / 5).expandedTo(minimum);
    QRect place(QPoint(), size);
    place.moveCenter(available.center());
    return keptOnScreen(place, available, minimum);
}

} // namespace WindowPlace
