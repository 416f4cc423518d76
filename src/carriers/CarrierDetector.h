#pragma once

#include "carriers/CarrierCatalogue.h"
#include "store/Waybill.h"

#include <QString>
#include <QVector>

#include <memory>
#include <optional>

// Which carrier a waybill number belongs to, worked out offline from two kinds
// of evidence: the number formats of the carriers (CarrierFormats.cpp), and
// the user's own register, where a shop's numbers from one carrier share long
// prefixes. Formats overlap, so the answer is a ranked list. It is called sure
// only on real evidence: a prefix that one carrier alone issues (SF, YT, JD,
// JT, DPK, 1Z, an S10 postal number), or several stored numbers of one carrier
// sharing the number's prefix. Plain digits alone never choose: most Chinese
// carriers issue digit numbers of overlapping lengths. A number the register
// already holds is its stored carrier's and nothing else's; a mobile number
// gets no carrier at all, only a warning.
namespace CarrierDetection {

struct Candidate {
    const Carrier *carrier = nullptr;
    int confidence = 0; // 0 to 100
    QString reason;     // "SF + 12 位数字", "与登记中 37 条中通速递单号前缀相同"
    bool byFormat = false;
    bool byRegister = false;
};

struct Result {
    QVector<Candidate> candidates; // best first
    bool sure = false;             // candidates.first() may be chosen without asking
    QString warning;               // why the number looks wrong ("像是手机号码…"); empty when it does not

    const Carrier *sureCarrier() const { return sure ? candidates.first().carrier : nullptr; }
    // The candidates' names, best first.
    QStringList names() const;
};

// One format rule: the carrier it points to and why ("SF + 12 位数字").
struct FormatMatch {
    const Carrier *carrier = nullptr;
    QString reason;
    int weight = 0;     // how typical the shape is of the carrier, 0 to 100
    bool owned = false; // a prefix that this carrier alone issues
};
// Every format rule that the number (in normal form) fits, one per carrier.
QVector<FormatMatch> formatMatches(const QString &number);
// For a UPU S10 number (two letters, nine digits, two letters) whose check
// digit is wrong: the digit it should have; -1 for any other number.
int wrongS10CheckDigit(const QString &number);

// The register's numbers by carrier, kept sorted so that the numbers sharing a
// prefix with a new one are found by binary search.
class RegisterIndex final {
public:
    struct Entry {
        QString number; // normalised
        int carrierRow = 0;
    };
    RegisterIndex() = default;
    // Built off the window's thread from the register's rows.
    static RegisterIndex build(QVector<Entry> entries);

    int size() const { return int(m_entries.size()); }
    // Stored numbers of its length that share more than half of `number` (and
    // four characters) as a prefix, counted by carrier row.
    struct Neighbours {
        int prefixLength = 0;                // the longest prefix shared
        QVector<QPair<int, int>> countByRow; // carrier row, count; most first
    };
    Neighbours neighbours(const QString &number) const;
    // The carrier row the register holds `number` (normal form) under, or 0.
    int storedRow(const QString &number) const;

private:
    static QStringView key(const Entry &entry, qsizetype prefix);
    static QStringView key(QStringView head, qsizetype prefix);
    QVector<Entry> m_entries; // by length, then number

public:
    // A stored waybill as an entry; none for a carrier outside the catalogue.
    static std::optional<Entry> entryFor(const QString &number, const QString &carrierName);
};

Result detect(const QString &number, const RegisterIndex *index = nullptr);

// A pasted batch, one waybill per line: a number alone, or a number and a
// carrier's name after a comma, a semicolon, a tab or a blank (full-width
// ones too). Empty lines are left out.
struct BatchLine {
    // Why a line has no carrier to run with.
    enum class Need {
        Nothing,         // named on the line, sure from the number, or chosen for the batch
        UnknownFormat,   // 格式无法识别: no carrier's format fits ("abc")
        SeveralCarriers, // 无法确定，可能是: candidates, none sure
        UnknownName,     // the line names a carrier that the catalogue lacks
    };

    int line = 0;                     // 1-based line of the text
    QString number;                   // normal form
    const Carrier *written = nullptr; // named on the line
    QString unknownName;              // a name on the line that no carrier has
    Result detected;                  // when no carrier is named
    const Carrier *carrier = nullptr; // what the line runs with, if anything
    Need need = Need::Nothing;
    int repeatOf = 0; // the earlier line with the same number, 0 for the first

    bool isRepeat() const { return repeatOf > 0; }
    // "格式无法识别", "无法确定，可能是：A / B", "没有名为“X”的快递公司";
    // empty when nothing is needed.
    QString needText() const;
};
// `forAll` is a carrier the user chose explicitly for the whole batch: lines
// naming none run with it, except those that hold no waybill number at all.
QVector<BatchLine> readBatch(const QString &text, const RegisterIndex *index = nullptr,
                             const Carrier *forAll = nullptr);

// What a batch pass will do with the text: the rows that run, each number
// once, and the lines that first need a carrier. Asking "run the other N?"
// with N = rows.size() promises exactly the rows that come.
struct BatchPlan {
    QVector<BatchLine> lines;              // every line read
    QVector<QPair<QString, QString>> rows; // number, carrier: in line order, each number once
    QVector<BatchLine> needCarrier;        // first lines of a number without a carrier
    int repeated = 0;                      // lines whose number an earlier line has
};
BatchPlan planBatch(const QString &text, const RegisterIndex *index = nullptr, const Carrier *forAll = nullptr);

} // namespace CarrierDetection
