#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The tracking record that the simulated service keeps for a waybill number.
// It depends only on the number's last characters, so tests know the answer
// without any stored data.
namespace SimRecords {

enum class Kind {
    NotFound,
    InTransit,
    Signed,
    Delivered,
    Refused,
    ReturnSigned,
    ReturnedToSender,
    Rejected,
    Exception,
    Locker,
    Station,
    OutForDelivery,
    Redirected,
    Customs,
    PickedUp,
    Ordered,
    HeldAtDesk,
};

// The endings that choose a record, longest first: "1" signed for, "2"
// delivered (妥投), "9" delivery failed, "0" not found, and two-digit endings
// in 73-78 and 83-88 for the other statuses. Anything else is in transit.
const QVector<QPair<QString, Kind>> &endings();
Kind kindFor(const QString &number);

// The state code the service gives with a record, -1 for none: only the
// locker's, whose text alone does not say that it waits in a locker.
int stateCodeFor(Kind kind);

// The dated record lines, oldest first; empty for an unknown number.
QStringList statesFor(Kind kind);
QStringList statesFor(const QString &number);

// Whether the concise interface knows this company code.
bool isKnownCompany(const QString &code);

// Whether the concise interface answers for this company code only with the
// last four digits of a telephone (顺丰 and 中通).
bool needsPhone(const QString &code);

// The concise interface's answer text: the last state followed by "更多",
// or a not-found / unknown-company / telephone-needed sentence followed by "更多".
// `phone` is the request's phone parameter: four digits or nothing.
QString answerFor(const QString &code, const QString &number, const QString &phone = QStringLiteral("0000"));

// An answer longer than 40,000 characters whose last state stands at its very
// end, before the final "更多".
QString longAnswerFor(const QString &code, const QString &number);

inline const QString kMore = QStringLiteral("更多");
inline const QString kNotFound = QStringLiteral("查无此单号的物流信息，请核对单号后再试。");
inline const QString kUnknownCompany = QStringLiteral("暂不支持该快递公司的查询。");
inline const QString kPhoneNeeded =
    QStringLiteral("该快递公司需要验证收/寄件人电话号码后四位，请填写phone参数后再查询。");

} // namespace SimRecords
