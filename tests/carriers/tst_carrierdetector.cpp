#include "carriers/CarrierDetector.h"
#include "carriers/TypedNumber.h"

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
QString s10(const QString &serial, bool validCheck, const char *service = "RR")
{
    const int weights[] = {8, 6, 4, 2, 3, 5, 9, 7};
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += serial.at(i).digitValue() * weights[i];
    const int r = 11 - sum % 11;
    int check = r == 10 ? 0 : r == 11 ? 5 : r;
    if (!validCheck)
        check = (check + 1) % 10;
    return QString::fromLatin1(service) + serial + QString::number(check) + QStringLiteral("CN");
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
    void normalForm_data();
    void normalForm();
    void pastedNumbers_data();
    void pastedNumbers();
    void theRegisterDecidesBetweenOverlappingFormats();
    void pastedBatches();
};

// Five numbers per shape, each with the candidates it must give (sorted by
// name); a prefix that one carrier owns is chosen without asking, plain
// digits never, whatever candidates they have.
void TestCarrierDetector::formats_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("sure");
    struct Shape {
        const char *prefix;
        int digits;
        const char *expected;
        bool sure;
    };
    const Shape shapes[] = {
        {"SF", 12, "顺丰速运", true},
        {"SF", 13, "顺丰速运", true},
        {"YT", 13, "圆通快递", true},
        {"JD", 13, "京东物流", true},
        {"JDVA", 11, "京东物流", true},
        {"JT", 13, "极兔速递", true},
        {"DPK", 12, "德邦物流", true},
        {"1Z", 16, "UPS", true},
        {"73", 12, "中通速递", false},
        {"78", 12, "中通速递", false},
        {"31", 13, "联邦快递|韵达快运", false},
        {"5", 12, "EMS(E邮宝)|韵达快运", false},
        {"77", 11, "申通E物流", false},
        {"77", 13, "申通E物流|联邦快递", false},
        {"268", 9, "申通E物流|联邦快递", false},
        {"43", 13, "申通E物流|联邦快递|韵达快运", false},
        {"1", 12, "EMS(E邮宝)|中国邮政|中邮物流|韵达快运", false},
        {"9", 12, "EMS(E邮宝)|中国邮政|中邮物流", false},
        {"2", 7, "德邦物流", false},
        {"2", 9, "圆通快递|德邦物流", false},
        {"", 9, "TNT|德邦物流", false},
        {"660", 9, "联邦快递", false},
        {"QQ", 10, "", false},
        {"JT", 12, "", false},
        {"", 3, "", false},
    };
    quint32 seed = 7;
    for (const Shape &shape : shapes) {
        for (int i = 0; i < 5; ++i) {
            const QString number = QString::fromUtf8(shape.prefix) + digits(shape.digits, seed);
            QTest::newRow(qPrintable(number)) << number << u(shape.expected) << shape.sure;
        }
    }
    // UPU S10: the service letter tells EMS from the post's parcels and
    // registered letters; other letters fit both.
    for (int i = 0; i < 5; ++i) {
        const QString serial = digits(8, seed);
        QTest::newRow(qPrintable(s10(serial, true, "EA"))) << s10(serial, true, "EA") << u("EMS(E邮宝)") << true;
        QTest::newRow(qPrintable(s10(serial, true))) << s10(serial, true) << u("中国邮政") << true;
        QTest::newRow(qPrintable(s10(serial, true, "LK")))
            << s10(serial, true, "LK") << u("EMS(E邮宝)|中国邮政") << false;
        QTest::newRow(qPrintable(s10(serial, false))) << s10(serial, false) << QString() << false;
    }
}

void TestCarrierDetector::formats()
{
    QFETCH(QString, number);
    QFETCH(QString, expected);
    QFETCH(bool, sure);
    const Result r = detect(number);
    QCOMPARE(names(r), expected);
    QCOMPARE(r.sure, sure);
    if (sure)
        QCOMPARE(r.sureCarrier()->name, expected);
    for (const Candidate &c : r.candidates)
        QVERIFY(!c.reason.isEmpty() && c.confidence > 0 && c.confidence <= 100);
}

void TestCarrierDetector::normalForm_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("normal");
    QTest::newRow("full width") << u("ＳＦ１２３４５６７８９０４４３") << u("SF1234567890443");
    QTest::newRow("blanks") << u("SF 1234 5678 9044 3") << u("SF1234567890443");
    QTest::newRow("NBSP and ideographic space") << u("SF\u00A01234\u30005678") << u("SF12345678");
    QTest::newRow("tabs and line ends") << u("\tSF1234\t5678\r\n") << u("SF12345678");
    QTest::newRow("U+2000 to U+200B, U+FEFF") << u("\uFEFFSF\u20001\u20032\u200A3\u200B4") << u("SF1234");
    QTest::newRow("lower case") << u("sf1234yt") << u("SF1234YT");
    QTest::newRow("mixed") << u(" ｓf １2３-4 ") << u("SF123-4");
    QTest::newRow("already normal") << u("JDVA00123456789") << u("JDVA00123456789");
    QTest::newRow("nothing but blanks") << u(" \u3000\t") << QString();
}

void TestCarrierDetector::normalForm()
{
    QFETCH(QString, typed);
    QFETCH(QString, normal);
    QCOMPARE(WaybillNumber::normalForm(typed), normal);
    QCOMPARE(WaybillNumber::isNormalForm(typed), typed == normal);
    QCOMPARE(detect(typed).names(), detect(normal).names());
}

// Numbers as people paste them into 单号: the number that is read, and what
// the detection makes of it (best first; "!" sure; "⚠" its warning), or the
// numbers when there are several.
void TestCarrierDetector::pastedNumbers_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("outcome");
    const auto row = [](const char *name, const char *pasted, const char *number, const char *outcome) {
        QTest::newRow(name) << u(pasted) << u(number) << u(outcome);
    };
    row("dashes", "SF-1234-5678-90123", "SF1234567890123", "顺丰速运!");
    row("dashes, short last group", "sf-1234-5678-9012-3", "SF1234567890123", "顺丰速运!");
    row("full-width, dash and em dash", "ＳＦ１２３４－５６７８—９０１２３", "SF1234567890123", "顺丰速运!");
    row("label, full-width colon", "运单号：SF1234567890123", "SF1234567890123", "顺丰速运!");
    row("label, colon", "快递单号: yt1234567890123", "YT1234567890123", "圆通快递!");
    row("label, blank, grouped", "单号 SF 1234 5678 90123", "SF1234567890123", "顺丰速运!");
    row("label in brackets", "【顺丰单号】SF1234567890123", "SF1234567890123", "顺丰速运!");
    row("label alone", "运单号：", "", "");
    row("parcel suffix kept", "JDVA00003618100-1-1", "JDVA00003618100-1-1", "");
    row("digits in groups", "7512 3456 7890 12", "75123456789012", "中通速递");
    row("two numbers, blank", "SF1234567890123 YT1234567890123", "", "SF1234567890123|YT1234567890123");
    row("two numbers, comma", "运单号：75123456789012，７５１２３４５６７８９０１３", "",
        "75123456789012|75123456789013");
    row("mobile", "13812345678", "13812345678", "⚠像是手机号码，不是快递单号");
    row("mobile, label and dashes", "电话：138-1234-5678", "13812345678", "⚠像是手机号码，不是快递单号");
    row("mobile, +86", "+86 199 1234 5678", "+8619912345678", "⚠像是手机号码，不是快递单号");
    row("11 digits, no mobile", "12812345678", "12812345678", "中国邮政");
    row("中通, 12 digits 75", "751234567890", "751234567890", "中通速递/联邦快递");
    row("中通, 12 digits 78", "781234567890", "781234567890", "中通速递/联邦快递");
    row("S10", "EA123456785CN", "EA123456785CN", "EMS(E邮宝)!");
    row("S10, wrong check digit", "ea 123456784 cn", "EA123456784CN",
        "⚠邮件号校验位不对（按前 8 位数字应为 5），请核对");
    row("S10, check 0 for 10", "RR 02000000 0 CN", "RR020000000CN", "中国邮政!");
    row("S10, check 5 for 11", "RR 00000000 5 CN", "RR000000005CN", "中国邮政!");
}

void TestCarrierDetector::pastedNumbers()
{
    QFETCH(QString, pasted);
    QFETCH(QString, number);
    QFETCH(QString, outcome);
    const TypedNumber typed = readTyped(pasted);
    QCOMPARE(typed.number, number);
    if (!typed.several.isEmpty()) {
        QCOMPARE(typed.several.join(QLatin1Char('|')), outcome);
        return;
    }
    const Result r = detect(typed.number);
    QCOMPARE(r.names().join(QLatin1Char('/')) + (r.sure ? u("!") : QString()) +
                 (r.warning.isEmpty() ? QString() : u("⚠") + r.warning),
             outcome);
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
    rows.push_back({QStringLiteral("75123456789001"), "中通速递"});
    rows.push_back({QStringLiteral("75123456789002"), "中通速递"});
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
    // A number the register holds is its stored carrier's, whatever its shape
    // or its neighbours say, and nothing else is offered.
    for (const auto &[held, carrier] :
         {qMakePair("SF700000000001", "中通速递"), qMakePair("435555550000001", "韵达快运")}) {
        const Result stored = detect(u(held).toLower(), &index);
        QCOMPARE(names(stored), u(carrier));
        QVERIFY(stored.sure && stored.candidates.first().reason.contains(u("登记")));
    }

    const Result contradicted = detect(QStringLiteral("SF700000000002"), &index);
    QVERIFY(!contradicted.sure);
    QCOMPARE(names(contradicted), u("中通速递|顺丰速运"));

    // Too little in common is no evidence: four shared digits of fifteen leave it ambiguous.
    QVERIFY(!detect(QStringLiteral("431200000000000"), &index).sure);
    // One stored number is offered, never chosen; several are a shop's run.
    const RegisterIndex one = registerOf({{u("43123456001"), "宅急送"}});
    const Result unknownShape = detect(QStringLiteral("43123456000"), &one);
    QCOMPARE(names(unknownShape), u("宅急送"));
    QVERIFY(!unknownShape.sure);
    const RegisterIndex two = registerOf({{u("43123456001"), "宅急送"}, {u("43123456002"), "宅急送"}});
    QCOMPARE(detect(QStringLiteral("43123456000"), &two).sureCarrier()->name, u("宅急送"));
    QVERIFY(!detect(QStringLiteral("43123999999"), &two).sure); // five digits of eleven are too few

    // Typed key by key, a 中通 number chooses nothing on the way, and only
    // the register's 中通 numbers choose it whole.
    const QString zto = QStringLiteral("75123456789012");
    for (int n = 1; n < zto.size(); ++n)
        QVERIFY2(!detect(zto.left(n)).sure && !detect(zto.left(n), &index).sure, qPrintable(zto.left(n)));
    QVERIFY(!detect(zto).sure);
    QCOMPARE(detect(zto, &index).sureCarrier()->name, u("中通速递"));
}

// Each line of a pasted batch: its number in normal form, the carrier it runs
// with or why it has none, and the earlier line it repeats. Nothing is made up
// for a line that says neither, and every number runs once.
void TestCarrierDetector::pastedBatches()
{
    const QString text = u("SF123456789012\r\n"
                           "\n"
                           "  7512 3456 7890 12 \n"
                           "123456789、TNT\n"
                           "１２３４５６７８９，德邦物流\n"
                           "1234567890123 EMS(E邮宝)\n"
                           "YT1234567890123\t圆通快递\n"
                           "123456789 神行快递\n"
                           "987654321\n"
                           "abc\n"
                           "ｓｆ１２３４５６７８９０１２\n"
                           "555444333\n"
                           "555444333,UPS\n"
                           "138 1234 5678\n");
    QStringList seen;
    for (const BatchLine &l : readBatch(text))
        seen << QStringLiteral("%1:%2:%3%4")
                    .arg(l.line)
                    .arg(l.number, l.carrier ? l.carrier->name : QStringLiteral("?") + l.needText())
                    .arg(l.isRepeat() ? QStringLiteral(" =%1").arg(l.repeatOf) : QString());
    QCOMPARE(seen,
             QStringList({u("1:SF123456789012:顺丰速运"), u("3:75123456789012:?无法确定，可能是：中通速递"),
                          u("4:123456789:TNT"), u("5:123456789:德邦物流 =4"), u("6:1234567890123:EMS(E邮宝)"),
                          u("7:YT1234567890123:圆通快递"), u("8:123456789:?没有名为“神行快递”的快递公司 =4"),
                          u("9:987654321:?无法确定，可能是：TNT / 德邦物流"), u("10:ABC:?格式无法识别"),
                          u("11:SF123456789012:顺丰速运 =1"), u("12:555444333:?无法确定，可能是：TNT / 德邦物流 =13"),
                          u("13:555444333:UPS"), u("14:13812345678:?像是手机号码，不是快递单号")}));

    // The question lists the lines without a carrier; its count is the rows that come.
    const auto linesOf = [](const QVector<BatchLine> &lines) {
        QVector<int> out;
        for (const BatchLine &l : lines)
            out << l.line;
        return out;
    };
    const BatchPlan plan = planBatch(text);
    QCOMPARE(plan.rows.size(), 5);
    QCOMPARE(plan.rows.at(1), qMakePair(QStringLiteral("123456789"), u("TNT")));
    QCOMPARE(linesOf(plan.needCarrier), (QVector<int>{3, 9, 10, 14}));
    QCOMPARE(plan.repeated, 4);
    // A carrier chosen for the whole batch serves every number but "abc" and
    // the telephone number; a carrier written on a line still wins.
    const BatchPlan forZto = planBatch(text, nullptr, FindCarrierByName(u("中通速递")));
    QCOMPARE(forZto.rows.size(), 7);
    QVERIFY(forZto.rows.contains(qMakePair(QStringLiteral("555444333"), u("UPS"))));
    QCOMPARE(linesOf(forZto.needCarrier), (QVector<int>{10, 14}));
}

QTEST_GUILESS_MAIN(TestCarrierDetector)
#include "tst_carrierdetector.moc"
