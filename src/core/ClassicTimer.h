#pragma once

#include <QObject>
#include <QTimer>

// A timer with the semantics the windows were designed around: it has an
// Enabled flag and an Interval; an interval of 0 never fires; enabling it, or
// changing the interval while it is enabled, restarts the countdown. A one-shot
// use simply disables the timer in its handler.
class ClassicTimer final : public QObject {
    Q_OBJECT
public:
    explicit ClassicTimer(int intervalMs = 0, bool enabled = false, QObject *parent = nullptr);

    int interval() const { return m_interval; }
    void setInterval(int intervalMs);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // Whether a tick is actually pending (enabled with a non-zero interval).
    bool isRunning() const { return m_timer.isActive(); }

Q_SIGNALS:
    void timeout();

private:
    void apply();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
};
