#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The embedded browser as the queries use it: load an address, hear when a
// document is complete, find an element by id, set a field's value, click a
// button, and read the body's text as lines. The page lives in another
// process, so every question about it is answered through a callback.
class Browser : public QObject {
    Q_OBJECT
public:
    using Found = std::function<void(bool)>;
    using Lines = std::function<void(const QStringList &)>;
    // The body's lines and how long, in ms, its text has not changed since
    // the last click; -1 where the browser cannot tell.
    using Settling = std::function<void(const QStringList &, int quietMs)>;

    explicit Browser(QObject *parent = nullptr) : QObject(parent) {}
    ~Browser() override = default;

    // The widget that shows the page.
    virtual QWidget *widget() = 0;

    // Starts loading at once; a navigation still in progress is abandoned.
    virtual void navigate(const QString &address) = 0;
    virtual QString currentAddress() const = 0;

    virtual void findElement(const QString &id, Found done) = 0;
    // done(false) when the page has no element with that id.
    virtual void setValue(const QString &id, const QString &value, Found done) = 0;
    virtual void click(const QString &id, Found done) = 0;
    // The visible text of the page body, split into lines.
    virtual void bodyLines(Lines done) = 0;
    virtual void settlingBodyLines(Settling done)
    {
        bodyLines([done = std::move(done)](const QStringList &lines) { done(lines, -1); });
    }

Q_SIGNALS:
    // ok is false when the page could not be loaded (an error page is shown).
    void documentComplete(const QString &address, bool ok);
};
