#include "SimPages.h"

#include "SimRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace SimPages {

namespace {

struct SiteLayout {
    QString title;
    QString fieldId;
    QString buttonId;
    QString startLine;
    QString endLine;
};

SiteLayout layoutFor(Site site)
{
    switch (site) {
    case Site::Default:
        return {QStringLiteral("快递查询"), QStringLiteral("postid"), QStringLiteral("query"),
                QStringLiteral("更多查询记录>>"), QStringLiteral("转发查询结果>>")};
    case Site::Backup1:
        return {QStringLiteral("快递单号查询"), QStringLiteral("ExpressNo"), QStringLiteral("Enter"),
                QStringLiteral("查询结果"), QStringLiteral("快递公司简介")};
    case Site::Backup2:
        break;
    }
    return {QStringLiteral("快递跟踪"), QStringLiteral("ExpressNo"), QStringLiteral("enter"),
            QStringLiteral("查询结果如下"), QStringLiteral("指定单号不存在。 操作建议：")};
}

QString jsString(const QString &text)
{
    // A one-element JSON array is a valid script literal; strip the brackets.
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    QString literal = QString::fromUtf8(json.mid(1, json.size() - 2));
    // "</" would end the script element early.
    literal.replace(QLatin1String("</"), QLatin1String("<\\/"));
    return literal;
}

QString jsArray(const QStringList &lines)
{
    QStringList literals;
    for (const QString &line : lines)
        literals << jsString(line);
    return QLatin1Char('[') + literals.join(QLatin1Char(',')) + QLatin1Char(']');
}

// [[ending, record lines], …] in the order the endings are tried; a number
// that is not found has no lines.
QString endingsArray()
{
    QStringList pairs;
    for (const auto &[ending, kind] : SimRecords::endings())
        pairs << QStringLiteral("[%1, %2]").arg(jsString(ending), jsArray(SimRecords::statesFor(kind)));
    return QLatin1Char('[') + pairs.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace

bool siteKnows(Site site, const QString &slug)
{
    // Slugs that every site has; then each site's own spellings.
    static const QStringList common = {
        QStringLiteral("ems"),       QStringLiteral("sf"),
        QStringLiteral("yd"),        QStringLiteral("tt"),
        QStringLiteral("fedex"),     QStringLiteral("cces"),
        QStringLiteral("tnt"),       QStringLiteral("jd"),
        QStringLiteral("jtexpress"), QStringLiteral("youzhengguonei"),
    };
    static const QStringList defaultSite = {
        QStringLiteral("st"),   QStringLiteral("yt"),   QStringLiteral("zt"),   QStringLiteral("htky"),
        QStringLiteral("yb"),   QStringLiteral("zjs"),  QStringLiteral("ups"),  QStringLiteral("xfh"),
        QStringLiteral("qrt"),  QStringLiteral("qy"),   QStringLiteral("dbwl"), QStringLiteral("xcjb"),
        QStringLiteral("tdhy"), QStringLiteral("yfsd"), QStringLiteral("sewl"), QStringLiteral("xbwl"),
        QStringLiteral("zywl"), QStringLiteral("ztky"),
    };
    // Backup source 2 has no page for 一邦, UPS, 鑫飞鸿, 天地华宇 and 新邦.
    static const QStringList backup2Site = {
        QStringLiteral("sto"),   QStringLiteral("yto"),        QStringLiteral("zto"),     QStringLiteral("ht"),
        QStringLiteral("zjs2"),  QStringLiteral("at"),         QStringLiteral("apex100"), QStringLiteral("deppon"),
        QStringLiteral("stars"), QStringLiteral("broad-asia"), QStringLiteral("sure56"),  QStringLiteral("cnpl"),
        QStringLiteral("cre"),
    };
    static const QStringList backup1Site =
        QStringList(backup2Site).replaceInStrings(QStringLiteral("zjs2"), QStringLiteral("zjs"))
        << QStringLiteral("ebon") << QStringLiteral("ups") << QStringLiteral("xfh") << QStringLiteral("hoau")
        << QStringLiteral("xbwl");
    if (common.contains(slug))
        return true;
    switch (site) {
    case Site::Default:
        return defaultSite.contains(slug);
    case Site::Backup1:
        return backup1Site.contains(slug);
    case Site::Backup2:
        break;
    }
    return backup2Site.contains(slug);
}

QString trackingPage(Site site, const QString &slug, const PageFaults &faults)
{
    const SiteLayout layout = layoutFor(site);
    if (faults.withoutForm) {
        // What a site shows for a carrier it does not serve: its frame, no form.
        return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head>\n"
                              "<body>\n<h3>%1 - %2</h3>\n<p>暂不支持该快递公司的查询。</p>\n</body></html>\n")
            .arg(layout.title, htmlEscaped(slug));
    }
    const QString field =
        faults.withoutField
            ? QString()
            : QStringLiteral("<input type=\"text\" id=\"%1\" name=\"%1\" size=\"30\">").arg(layout.fieldId);

    // The record is written one line per state between the marker lines, as
    // preformatted text: an empty block element would give the body's text two
    // empty lines, and an unknown number must leave exactly one. The result
    // area comes last so that nothing after it can match a marker.
    QString script = QStringLiteral(R"JS(
(function () {
  var transit = %1, endings = %2;
  var startLine = %3, endLine = %4;
  var clickFails = %5, faultNumber = %6;
  function recordFor(nu) {
    if (nu.length === 0) return null;
    for (var i = 0; i < endings.length; ++i) {
      var ending = endings[i][0];
      if (nu.length >= ending.length && nu.substr(nu.length - ending.length) === ending)
        return endings[i][1].length ? endings[i][1] : null;
    }
    return transit;
  }
  document.getElementById(%7).addEventListener('click', function () {
    var field = document.getElementById(%8);
    var area = document.getElementById('result');
    if (!field) return;
    var nu = field.value;
    area.textContent = '';
    if (clickFails && (faultNumber === '' || faultNumber === nu)) return;
    var record = recordFor(nu);
    var lines = [startLine].concat(record ? record : ['']).concat([endLine]);
    area.textContent = lines.join('\n');
  });
})();
)JS")
                         .arg(jsArray(SimRecords::statesFor(SimRecords::Kind::InTransit)), endingsArray(),
                              jsString(layout.startLine), jsString(layout.endLine),
                              faults.clickFails ? QStringLiteral("true") : QStringLiteral("false"),
                              jsString(faults.faultNumber), jsString(layout.buttonId), jsString(layout.fieldId));

    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head>\n"
                          "<body>\n<h3>%1 - %2</h3>\n"
                          "<div>请输入单号：%3 <button type=\"button\" id=\"%4\">查 询</button></div>\n"
                          "<div id=\"result\" style=\"white-space: pre-wrap\"></div>\n"
                          "<script>%5</script>\n</body></html>\n")
        .arg(layout.title, htmlEscaped(slug), field, layout.buttonId, script);
}

QString startPage()
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Tolvane</title></head>\n"
                          "<body><h2>Tolvane 快递查询</h2>\n"
                          "<p>请选择快递公司和数据来源，输入快递单号后查询。</p>\n"
                          "<p>（本页面由本机的模拟跟踪服务提供。）</p></body></html>\n");
}

} // namespace SimPages
