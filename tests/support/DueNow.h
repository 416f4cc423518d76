#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

// A deadline that the code under test armed falls due when the test says so,
// not when a busy machine gets round to it: tests that need a time-out give
// the code a long one and let it fall due here.
namespace DueNow {

// The armed timers called `name` anywhere under `owner`.
inline QList<QTimer *> armed(const QObject *owner, const QString &name)
{
    QList<QTimer *> active;
    for (QTimer *timer : owner->findChildren<QTimer *>(name))
        if (timer->isActive())
            active << timer;
    return active;
}

// The timer fires on the next turn of the event loop, as if its time had come.
inline void fire(QTimer *timer)
{
    timer->start(0);
}

} // namespace DueNow
