#pragma once

#include "query/Browser.h"

class QWebEngineView;

// The browser over Qt WebEngine; the page's document is reached by script.
class WebEngineBrowser final : public Browser {
    Q_OBJECT
public:
    explicit WebEngineBrowser(QWidget *parent = nullptr);
    ~WebEngineBrowser() override;

    QWidget *widget() override;
    void navigate(const QString &address) override;
    QString currentAddress() const override;
    void findElement(const QString &id, Found done) override;
    void setValue(const QString &id, const QString &value, Found done) override;
    void click(const QString &id, Found done) override;
    void bodyLines(Lines done) override;
    void settlingBodyLines(Settling done) override;

private:
    void runBool(const QString &script, Found done);

    QWebEngineView *m_view;
};
