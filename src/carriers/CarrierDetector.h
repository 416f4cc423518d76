#pragma once

#include "carriers/CarrierCatalogue.h"

#include <QString>
#include <QVector>

#include <memory>
#include <optional>

// Which carrier a waybill number belongs to, worked out offline from two kinds
// of evidence: the number formats of the carriers (CarrierFormats.cpp), and
// the user's own register, where a shop's numbers from one carrier share long
// prefixes. Formats overlap, so the answer is a ranked list, and it is only
// called sure when one candidate clearly wins.
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

    const Carrier *sureCarrier() const { return sure ? candidates.first().carrier : nullptr; }
    // The candidates' names, best first.
    QStringList names() const;
};

// A number as typed or pasted, blanks removed and full-width characters made
// half-width; normalized() also puts letters in upper case, for comparing.
QString compact(const QString &number);
QString normalized(const QString &number);

// One format rule: the carrier it points to and why ("SF + 12 位数字").
struct FormatMatch {
    const Carrier *carrier = nullptr;
    QString reason;
};
// Every format rule that the (normalised) number fits.
QVector<FormatMatch> formatMatches(const QString &number);

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
    // Stored numbers that share the longest prefix of at least half of
    // `number` (and four characters) with it, counted by carrier row.
    struct Neighbours {
        int prefixLength = 0;
        QVector<QPair<int, int>> countByRow; // carrier row, count; most first
    };
    Neighbours neighbours(const QString &number) const;

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
    int line = 0;                     // 1-based line of the text
    QString number;                   // compacted, as typed otherwise
    const Carrier *written = nullptr; // named on the line
    QString unknownName;              // a name on the line that no carrier has
    Result detected;                  // when no carrier is named
};
QVector<BatchLine> readBatch(const QString &text, const RegisterIndex *index = nullptr);

} // namespace CarrierDetection
