#include "services/WaybillStatus.h"

#include <QtTest>

using namespace WaybillStatus;

class TestWaybillStatus : public QObject {
    Q_OBJECT
    struct Case {
        const char *line;
        QString status;
        int code = kNoCode;
    };
    static const QVector<Case> &cases();

private Q_SLOTS:
    void eachLineGetsItsStatus();
    void everyRowOfTheTableIsPlacedByACase();
};

const QVector<TestWaybillStatus::Case> &TestWaybillStatus::cases()
{
    static const QVector<Case> table = {
        {"退货签收", kReturnSigned},
        {"【上海徐汇】快件已退回寄件人，已签收，签收人：李四", kReturnSigned},
        {"退件已由寄件人本人签收", kReturnSigned},
        {"订单已销单", kReturnSigned},
        {"快件已签收，签收人：本人", kSigned},
        {"邮件已妥投，收件人：本人", kSigned},
        {"您的快件已由门卫代签收", kSigned},
        {"签收失败；次日已签收", kSigned},
        {"首次拒签，二次派送已签收", kSigned},
        {"收件人拒签收，快件退回中", kReturning},
        {"收件人拒收，正在返回寄件人", kReturning},
        {"快件退回，未签收", kReturning},
        {"快件异常，已退回寄件人", kReturning},
        {"派送不成功，收件人未签收，签收失败", kTrouble},
        {"邮件未妥投：收件人不在", kTrouble},
        {"快件异常，地址不详，无法联系收件人", kTrouble},
        {"快件已被拦截", kTrouble},
        {"快件滞留驿站，超期未取", kTrouble},
        {"您的快件已放入菜鸟驿站，请及时取件", kAwaitingPickup},
        {"已存放至丰巢快递柜，取件码 123456", kAwaitingPickup},
        {"快件已由前台代收", kAwaitingPickup},
        {"快件已派送至菜鸟驿站，请及时取件", kAwaitingPickup},
        {"快件暂存于网点，待签收", kAwaitingPickup},
        {"【上海徐汇】快递员正在派件中", kOutForDelivery},
        {"快件正在派送，派送员：王五", kOutForDelivery},
        {"邮件投递中，投递员：赵六", kOutForDelivery},
        {"快件已转投，正在派送", kOutForDelivery},
        {"快件已转投至新地址", kRedirected},
        {"应收件人要求转寄", kRedirected},
        {"快件清关完成，已转寄至新地址", kRedirected},
        {"收件人更改地址，重新发往上海", kRedirected},
        {"快件已到达海关，清关中", kCustoms},
        {"包裹入境，等待报关", kCustoms},
        {"海关查验", kCustoms},
        {"【深圳转运中心】快件已发出，下一站【上海转运中心】", kInTransit},
        {"运输途中", kInTransit},
        {"快件已到达上海转运中心，正在分拣", kInTransit},
        {"【深圳】快件已揽收，准备发往上海", kInTransit},
        {"XYZ", kInTransit}, // a line no rule knows
        {"【深圳南山营业点】快件已揽收", kPickedUp},
        {"EMS 已收寄", kPickedUp},
        {"揽件员已揽件", kPickedUp},
        {"已下单，快递员已揽件", kPickedUp},
        {"", kAwaitingCollection},
        {"商家已下单，等待揽收", kAwaitingCollection},
        {"查无此单号的物流信息，请核对单号后再试。", kAwaitingCollection},
        // The service's code wins over the text; an unknown code falls back to it.
        {"快件已签收", kInTransit, 0},
        {"快件在途", kReturnSigned, 4},
        {"快件已到达网点", kAwaitingPickup, 501},
        {"", kCustoms, 12},
        {"快件已签收", kSigned, 99},
    };
    return table;
}

void TestWaybillStatus::eachLineGetsItsStatus()
{
    QSet<QString> seen;
    for (const Case &c : cases()) {
        const QString line = QString::fromUtf8(c.line);
        QCOMPARE(of(line, c.code), c.status);
        seen.insert(c.status);
    }
    QCOMPARE(seen.size(), all().size());
}

// The order is the rule: swapping any two neighbours of the table changes a case.
void TestWaybillStatus::everyRowOfTheTableIsPlacedByACase()
{
    for (int i = 0; i + 1 < rules().size(); ++i) {
        QVector<Rule> swapped = rules();
        swapped.swapItemsAt(i, i + 1);
        const bool noticed = std::any_of(cases().cbegin(), cases().cend(), [&swapped](const Case &c) {
            return of(QString::fromUtf8(c.line), kNoCode, swapped) != of(QString::fromUtf8(c.line), kNoCode);
        });
        QVERIFY2(noticed, qPrintable(rules()[i].status + QStringLiteral(" / ") + rules()[i + 1].status));
    }
}

QTEST_GUILESS_MAIN(TestWaybillStatus)
#include "tst_waybillstatus.moc"
