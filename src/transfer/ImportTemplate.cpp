#include "transfer/ImportTemplate.h"

#include "core/SaveWhole.h"

#include <QFile>

namespace ImportTemplate {

QString relativePath()
{
    return QStringLiteral("config/导入模板(事例).xls");
}

Outcome write(const QString &path)
{
    QFile payload(QStringLiteral(":/payloads/template.xls"));
    payload.open(QIODevice::ReadOnly);
    return SaveWholeFile(path, payload.readAll());
}

} // namespace ImportTemplate
