#pragma once

#include <QDate>
#include <QDateTime>

// Today's date and the time of day come from here, so that days in transit and
// the status-bar clock can be tested with a fixed date.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }

    // The clock of the running program.
    static const Clock &system();
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(const QDateTime &at) : m_at(at) {}
    explicit FixedClock(const QDate &day) : m_at(day.startOfDay()) {}
    QDateTime now() const override { return m_at; }
    void set(const QDateTime &at) { m_at = at; }

private:
    QDateTime m_at;
};
