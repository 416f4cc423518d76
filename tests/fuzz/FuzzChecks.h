#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// One check per fuzz target: feeds the input to the unit and returns what went
// wrong (empty when every property held). The libFuzzer targets abort on a
// non-empty answer; the ordinary suite runs the same checks on every input
// kept in tests/fuzz/regressions/.
namespace FuzzChecks {

QStringList targets();
QString run(const QString &target, const QByteArray &input);

QString iniFile(const QByteArray &input);
QString textImport(const QByteArray &input);
QString xlsxSheet(const QByteArray &input);
QString xlsSheet(const QByteArray &input);
QString xlsRead(const QByteArray &input);
QString conciseAnswer(const QByteArray &input);
QString harvestRules(const QByteArray &input);
QString serviceAnswers(const QByteArray &input);

} // namespace FuzzChecks
