#include "carriers/CarrierDetector.h"

#include <QtTest>

using namespace CarrierDetection;

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// Digits from a fixed sequence, so that every run tests the same numbers.
QString digits(int count, quint32 &seed)
{
    QString out;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        out += QChar(u'0' + int((seed >> 16) % 10));
    }
    return out;
}

// A UPU S10 number with its check digit worked out here, independently.
QString s10(const QString &serial, bool validCheck)
{
    const int weights[] = {8, 6, 4, 2, 3, 5, 9, 7};
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += serial.at(i).digitValue() * weights[i];
    const int r = 11 - sum % 11;
    int check = r == 10 ? 0 : r == 11 ? 5 : r;
    if (!validCheck)
        check = (check + 1) % 10;
    return QStringLiteral("RR") + serial + QString::number(check) + QStringLiteral("CN");
}

QString names(const Result &r)
{
    QStringList out;
    for (const Candidate &c : r.candidates)
        out << c.carrier->name;
    out.sort();
    return out.join(QLatin1Char('|'));
}

RegisterIndex registerOf(const QVector<QPair<QString, const char *>> &rows)
{
    QVector<RegisterIndex::Entry> entries;
    for (const auto &[number, carrier] : rows)
        entries.push_back({number, FindCarrierByName(u(carrier))->row});
    return RegisterIndex::build(entries);
}
} // namespace

class TestCarrierDetector : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formats_data();
    void formats();
    void typedNumbersAreNormalised();
    void theRegisterDecidesBetweenOverlappingFormats();
    void pastedBatches();
};

// Five numbers per shape, each with the candidates it must give (sorted by
// name); a shape with one candidate must be chosen without asking, a shape
// with several never.
void TestCarrierDetector::formats_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("expected");
    struct Shape {
        const char *prefix;
        int digits;
        const char *expected;
    };
    const Shape shapes[] = {
        {"SF", 12, "顺丰速运"},
        {"SF", 13, "顺丰速运"},
        {"YT", 13, "圆通快递"},
        {"73", 12, "中通速递"},
        {"78", 12, "中通速递"},
        {"31", 13, "联邦快递|韵达快运"},
        {"5", 12, "韵达快运"},
        {"77", 12, "申通E物流"},
        {"77", 15, "申通E物流"},
        {"43", 13, "申通E物流|联邦快递|韵达快运"},
        {"1", 12, "EMS(E邮宝)|中邮物流"},
        {"9", 12, "EMS(E邮宝)|中邮物流"},
        {"DPK", 12, "德邦物流"},
        {"2", 7, "德邦物流"},
        {"2", 9, "德邦物流"},
        {"1Z", 16, "UPS"},
        {"", 9, "TNT|德邦物流"},
        {"6", 11, "联邦快递"},
        {"QQ", 10, ""},
        {"", 3, ""},
    };
    quint32 seed = 7;
    for (const Shape &shape : shapes) {
        for (int i = 0; i < 5; ++i) {
            const QString number = QString::fromUtf8(shape.prefix) + digits(shape.digits, seed);
            QTest::newRow(qPrintable(number)) << number << u(shape.expected);
        }
    }
    for (int i = 0; i < 5; ++i) {
        const QString serial = digits(8, seed);
        QTest::newRow(qPrintable(s10(serial, true))) << s10(serial, true) << u("EMS(E邮宝)|中邮物流");
        QTest::newRow(qPrintable(s10(serial, false))) << s10(serial, false) << QString();
    }
}

void TestCarrierDetector::formats()
{
    QFETCH(QString, number);
    QFETCH(QString, expected);
    const Result r = detect(number);
    QCOMPARE(names(r), expected);
    const bool single = !expected.isEmpty() && !expected.contains(QLatin1Char('|'));
    QCOMPARE(r.sure, single);
    if (single)
        QCOMPARE(r.sureCarrier()->name, expected);
    for (const Candidate &c : r.candidates)
        QVERIFY(!c.reason.isEmpty() && c.confidence > 0 && c.confidence <= 100);
}

void TestCarrierDetector::typedNumbersAreNormalised()
{
    QCOMPARE(normalized(u(" ｓｆ１２３４ ５６７８９０１２\t")), QStringLiteral("SF123456789012"));
    QCOMPARE(detect(u("ｓｆ１２３４５６７８９０１２")).sureCarrier()->name, u("顺丰速运"));
}

void TestCarrierDetector::theRegisterDecidesBetweenOverlappingFormats()
{
    // A shop that sends with 韵达: its 15-digit numbers start 4312345.
    QVector<QPair<QString, const char *>> rows;
    for (int i = 0; i < 40; ++i)
        rows.push_back({QStringLiteral("43123456%1").arg(i * 7919 % 10000000, 7, 10, QLatin1Char('0')), "韵达快运"});
    // 申通 numbers of the same length with another prefix, and a number whose
    // prefix both carriers share.
    for (int i = 0; i < 10; ++i)
        rows.push_back({QStringLiteral("43998877%1").arg(i, 7, 10, QLatin1Char('0')), "申通E物流"});
    rows.push_back({QStringLiteral("435555550000001"), "韵达快运"});
    rows.push_back({QStringLiteral("435555550000002"), "申通E物流"});
    // An SF-shaped number stored under another carrier contradicts the format.
    rows.push_back({QStringLiteral("SF700000000001"), "中通速递"});
    const RegisterIndex index = registerOf(rows);

    const Result yunda = detect(QStringLiteral("431234569999999"), &index);
    QVERIFY(yunda.sure);
    QCOMPARE(yunda.sureCarrier()->name, u("韵达快运"));
    QVERIFY(yunda.candidates.first().reason.contains(u("与登记中")));
    QCOMPARE(names(yunda), u("申通E物流|联邦快递|韵达快运")); // the others stay on offer

    const Result sto = detect(QStringLiteral("439988770000099"), &index);
    QCOMPARE(sto.sureCarrier()->name, u("申通E物流"));

    const Result shared = detect(QStringLiteral("435555550000003"), &index);
    QVERIFY(!shared.sure);

    const Result contradicted = detect(QStringLiteral("SF700000000002"), &index);
    QVERIFY(!contradicted.sure);
    QCOMPARE(names(contradicted), u("中通速递|顺丰速运"));

    // Too little in common is no evidence: four shared digits of fifteen leave it ambiguous.
    QVERIFY(!detect(QStringLiteral("431200000000000"), &index).sure);
    // The register alone offers its carrier but never chooses it.
    const RegisterIndex one = registerOf({{u("43123456001"), "宅急送"}});
    const Result unknownShape = detect(QStringLiteral("43123456000"), &one);
    QCOMPARE(names(unknownShape), u("宅急送"));
    QVERIFY(!unknownShape.sure);
}

// Each line of a pasted batch: its number, the carrier it names or the one
// detected, and nothing made up for a line that says neither.
void TestCarrierDetector::pastedBatches()
{
    const QVector<BatchLine> lines = readBatch(u("SF123456789012\r\n"
                                                 "\n"
                                                 "  7512 3456 7890 12 \n"
                                                 "123456789,TNT\n"
                                                 "１２３４５６７８９，德邦物流\n"
                                                 "1234567890123 EMS(E邮宝)\n"
                                                 "YT1234567890123\t圆通快递\n"
                                                 "123456789 神行快递\n"
                                                 "123456789\n"));
    QStringList seen;
    for (const BatchLine &l : lines) {
        const Carrier *carrier = l.written ? l.written : l.detected.sureCarrier();
        seen << QStringLiteral("%1:%2:%3%4")
                    .arg(l.line)
                    .arg(l.number, carrier ? carrier->name : QStringLiteral("?"), l.unknownName);
    }
    QCOMPARE(seen, QStringList({u("1:SF123456789012:顺丰速运"), u("3:75123456789012:中通速递"), u("4:123456789:TNT"),
                                u("5:123456789:德邦物流"), u("6:1234567890123:EMS(E邮宝)"),
                                u("7:YT1234567890123:圆通快递"), u("8:123456789:?神行快递"), u("9:123456789:?")}));
    QCOMPARE(lines.last().detected.candidates.size(), 2); // TNT and 德邦物流, for the user to choose
}

QTEST_GUILESS_MAIN(TestCarrierDetector)
#include "tst_carrierdetector.moc"
