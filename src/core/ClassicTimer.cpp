#include "core/ClassicTimer.h"

ClassicTimer::ClassicTimer(int intervalMs, bool enabled, QObject *parent)
    : QObject(parent), m_interval(intervalMs), m_enabled(enabled)
{
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_enabled && m_interval > 0)
            Q_EMIT timeout();
    });
    apply();
}

void ClassicTimer::setInterval(int intervalMs)
{
    m_interval = qMax(0, intervalMs);
    apply();
}

void ClassicTimer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    apply();
}

void ClassicTimer::apply()
{
    m_timer.stop();
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
}
