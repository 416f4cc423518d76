#include "query/WebEngineBrowser.h"

#include "query/HarvestRules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {
// Texts handed to the page's script are JSON literals, so a number holding
// quotes or backslashes cannot break out of the script.
QString literal(const QString &text)
{
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}
} // namespace

WebEngineBrowser::WebEngineBrowser(QWidget *parent) : Browser(parent), m_view(new QWebEngineView(parent))
{
    m_view->setObjectName(QStringLiteral("WebBrowser1"));
    m_view->setAccessibleName(QStringLiteral("快递查询网页"));
    connect(m_view, &QWebEngineView::loadFinished, this,
            [this](bool ok) { Q_EMIT documentComplete(m_view->url().toString(), ok); });
}

WebEngineBrowser::~WebEngineBrowser() = default;

QWidget *WebEngineBrowser::widget()
{
    return m_view;
}

void WebEngineBrowser::navigate(const QString &address)
{
    m_view->setUrl(QUrl(address));
}

QString WebEngineBrowser::currentAddress() const
{
    return m_view->url().toString();
}

void WebEngineBrowser::runBool(const QString &script, Found done)
{
    m_view->page()->runJavaScript(script, [done = std::move(done)](const QVariant &result) {
        if (done)
            done(result.toBool());
    });
}

void WebEngineBrowser::findElement(const QString &id, Found done)
{
    runBool(QStringLiteral("document.getElementById(%1) !== null").arg(literal(id)), std::move(done));
}

void WebEngineBrowser::setValue(const QString &id, const QString &value, Found done)
{
    runBool(
        QStringLiteral("(function(){var e=document.getElementById(%1);if(!e)return false;e.value=%2;return true;})()")
            .arg(literal(id), literal(value)),
        std::move(done));
}

// The page tells when its text last changed: an observer set up at the click
// stamps every change, so a read knows whether the record has settled
// without waiting a fixed period.
void WebEngineBrowser::click(const QString &id, Found done)
{
    runBool(QStringLiteral("(function(){var e=document.getElementById(%1);if(!e)return false;"
                           "var w=window;w.__tolvaneChanged=performance.now();"
                           "if(!w.__tolvaneObserver&&document.body){w.__tolvaneObserver=new MutationObserver("
                           "function(){w.__tolvaneChanged=performance.now();});"
                           "w.__tolvaneObserver.observe(document.body,{childList:true,subtree:true,"
                           "characterData:true});}e.click();return true;})()")
                .arg(literal(id)),
            std::move(done));
}

void WebEngineBrowser::settlingBodyLines(Settling done)
{
    m_view->page()->runJavaScript(
        QStringLiteral("[document.body?document.body.innerText:'',"
                       "window.__tolvaneObserver?performance.now()-window.__tolvaneChanged:-1]"),
        [done = std::move(done)](const QVariant &result) {
            const QVariantList both = result.toList();
            if (done)
                done(SplitPageText(both.value(0).toString()), both.size() == 2 ? int(both[1].toDouble()) : -1);
        });
}

void WebEngineBrowser::bodyLines(Lines done)
{
    m_view->page()->runJavaScript(QStringLiteral("document.body ? document.body.innerText : ''"),
                                  [done = std::move(done)](const QVariant &result) {
                                      if (done)
                                          done(SplitPageText(result.toString()));
                                  });
}
