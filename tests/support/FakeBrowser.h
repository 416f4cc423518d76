#pragma once

#include "query/Browser.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

// A browser without an engine: records every address it was sent to, and
// holds one page as element ids with values plus body lines. A click runs
// the script the test gives for it; completion is announced when the test
// says so, as a real page would finish loading later.
class FakeBrowser final : public Browser {
    Q_OBJECT
public:
    FakeBrowser();
    ~FakeBrowser() override;

    QWidget *widget() override { return m_widget; }
    void navigate(const QString &address) override;
    QString currentAddress() const override { return addresses.isEmpty() ? QString() : addresses.last(); }
    void findElement(const QString &id, Found done) override;
    void setValue(const QString &id, const QString &value, Found done) override;
    void click(const QString &id, Found done) override;
    void bodyLines(Lines done) override;
    // Each read takes the next of quietReads as the page's time without a change; none left: -1.
    void settlingBodyLines(Settling done) override;

    // Finishes the current load with this page.
    void completeLoad(const QStringList &elementIds = {}, const QStringList &lines = {});
    // Finishes the current load with an error page.
    void failLoad();

    QStringList addresses;
    QHash<QString, QString> values; // element id -> value
    QStringList lines;
    QStringList clicks;
    QList<int> quietReads;
    int reads = 0;
    // What the page's script does on a click of that id.
    QHash<QString, std::function<void(FakeBrowser &)>> onClick;

private:
    QWidget *m_widget;
};
