#include "support/FakeBrowser.h"

FakeBrowser::FakeBrowser() : m_widget(new QWidget) {}

FakeBrowser::~FakeBrowser()
{
    if (!m_widget->parent())
        delete m_widget;
}

void FakeBrowser::navigate(const QString &address)
{
    addresses << address;
    values.clear();
    lines.clear();
}

void FakeBrowser::findElement(const QString &id, Found done)
{
    done(values.contains(id));
}

void FakeBrowser::setValue(const QString &id, const QString &value, Found done)
{
    const bool present = values.contains(id);
    if (present)
        values[id] = value;
    if (done)
        done(present);
}

void FakeBrowser::click(const QString &id, Found done)
{
    const bool present = values.contains(id);
    if (present) {
        clicks << id;
        if (onClick.contains(id))
            onClick[id](*this);
    }
    if (done)
        done(present);
}

void FakeBrowser::bodyLines(Lines done)
{
    ++reads;
    done(lines);
}

void FakeBrowser::settlingBodyLines(Settling done)
{
    ++reads;
    done(lines, quietReads.isEmpty() ? -1 : quietReads.takeFirst());
}

void FakeBrowser::completeLoad(const QStringList &elementIds, const QStringList &pageLines)
{
    values.clear();
    for (const QString &id : elementIds)
        values.insert(id, QString());
    lines = pageLines;
    Q_EMIT documentComplete(currentAddress(), true);
}

void FakeBrowser::failLoad()
{
    values.clear();
    lines.clear();
    Q_EMIT documentComplete(currentAddress(), false);
}
