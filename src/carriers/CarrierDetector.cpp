#include "carriers/CarrierDetector.h"

#include <QRegularExpression>

#include <algorithm>

namespace CarrierDetection {

QString compact(const QString &number)
{
    // NFKC turns full-width digits and letters (pasted from Chinese web pages
    // and chats) into plain ones.
    const QString plain = number.normalized(QString::NormalizationForm_KC);
    QString out;
    out.reserve(plain.size());
    for (const QChar c : plain) {
        if (!c.isSpace() && c != QChar(0xFEFF))
            out += c;
    }
    return out;
}

QString normalized(const QString &number)
{
    return compact(number).toUpper();
}

namespace {
bool byLengthThenNumber(const RegisterIndex::Entry &a, const RegisterIndex::Entry &b)
{
    if (a.number.size() != b.number.size())
        return a.number.size() < b.number.size();
    return a.number < b.number;
}

// The shortest shared prefix that counts as evidence: half the number, and
// never fewer than four characters.
int minimumPrefix(qsizetype length)
{
    return int(std::max<qsizetype>(4, (length + 1) / 2));
}
} // namespace

QStringList Result::names() const
{
    QStringList out;
    for (const Candidate &c : candidates)
        out << c.carrier->name;
    return out;
}

std::optional<RegisterIndex::Entry> RegisterIndex::entryFor(const QString &number, const QString &carrierName)
{
    const Carrier *carrier = FindCarrierByName(carrierName);
    if (!carrier)
        return std::nullopt;
    return Entry{normalized(number), carrier->row};
}

RegisterIndex RegisterIndex::build(QVector<Entry> entries)
{
    RegisterIndex index;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const Entry &e) { return e.number.size() < 4 || e.carrierRow <= 0; }),
                  entries.end());
    std::sort(entries.begin(), entries.end(), byLengthThenNumber);
    index.m_entries = std::move(entries);
    return index;
}

RegisterIndex::Neighbours RegisterIndex::neighbours(const QString &number) const
{
    Neighbours found;
    const qsizetype length = number.size();
    if (length < 4)
        return found;
    // The stored numbers of this length.
    const auto sameLength = std::equal_range(
        m_entries.cbegin(), m_entries.cend(), Entry{number, 0},
        [](const Entry &a, const Entry &b) { return a.number.size() < b.number.size(); });
    // Longest prefix first: the numbers sharing a prefix are one run of the
    // sorted list, found by two binary searches.
    for (qsizetype prefix = length - 1; prefix >= minimumPrefix(length); --prefix) {
        const QStringView head = QStringView(number).left(prefix);
        const auto run = std::equal_range(sameLength.first, sameLength.second, head,
                                          [prefix](const auto &a, const auto &b) {
                                              return key(a, prefix) < key(b, prefix);
                                          });
        if (run.first == run.second)
            continue;
        found.prefixLength = int(prefix);
        for (auto it = run.first; it != run.second; ++it) {
            auto counted = std::find_if(found.countByRow.begin(), found.countByRow.end(),
                                        [it](const QPair<int, int> &c) { return c.first == it->carrierRow; });
            if (counted == found.countByRow.end())
                found.countByRow.push_back({it->carrierRow, 1});
            else
                ++counted->second;
        }
        std::stable_sort(found.countByRow.begin(), found.countByRow.end(),
                         [](const QPair<int, int> &a, const QPair<int, int> &b) { return a.second > b.second; });
        break;
    }
    return found;
}

QStringView RegisterIndex::key(const Entry &entry, qsizetype prefix)
{
    return QStringView(entry.number).left(prefix);
}

QStringView RegisterIndex::key(QStringView head, qsizetype)
{
    return head;
}

Result detect(const QString &typed, const RegisterIndex *index)
{
    Result result;
    const QString number = normalized(typed);
    if (number.isEmpty())
        return result;
    const QVector<FormatMatch> formats = formatMatches(number);
    const RegisterIndex::Neighbours near = index ? index->neighbours(number) : RegisterIndex::Neighbours{};

    for (const FormatMatch &f : formats)
        result.candidates.push_back({f.carrier, formats.size() == 1 ? 80 : 50, f.reason, true, false});
    for (const auto &[row, count] : near.countByRow) {
        const Carrier *carrier = &CarrierCatalogue::all().at(row - 1);
        const QString reason = QStringLiteral("与登记中 %1 条%2单号前缀相同").arg(count).arg(carrier->name);
        // Longer shared prefixes and more numbers make stronger evidence.
        const int strength = std::min(95, 40 + 40 * near.prefixLength / int(number.size()) + std::min(count, 15));
        auto known = std::find_if(result.candidates.begin(), result.candidates.end(),
                                  [carrier](const Candidate &c) { return c.carrier == carrier; });
        if (known == result.candidates.end()) {
            result.candidates.push_back({carrier, strength, reason, false, true});
        } else {
            known->confidence = std::min(99, std::max(known->confidence, strength) + 15);
            known->reason += QStringLiteral("，") + reason;
            known->byRegister = true;
        }
    }
    std::stable_sort(result.candidates.begin(), result.candidates.end(), [](const Candidate &a, const Candidate &b) {
        return a.confidence != b.confidence ? a.confidence > b.confidence : a.carrier->row < b.carrier->row;
    });

    // Sure only when nothing speaks against the winner: a single format and a
    // register that says nothing else, or formats that the register narrows
    // down to one of them.
    const bool registerAgreesOnOne = near.countByRow.size() == 1;
    if (formats.size() == 1)
        result.sure = near.countByRow.isEmpty() ||
                      (registerAgreesOnOne && result.candidates.first().byFormat &&
                       result.candidates.first().byRegister);
    else if (formats.size() > 1)
        result.sure = registerAgreesOnOne && result.candidates.first().byFormat && result.candidates.first().byRegister;
    return result;
}

QVector<BatchLine> readBatch(const QString &text, const RegisterIndex *index)
{
    QVector<BatchLine> out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        // NFKC makes full-width commas, semicolons and blanks plain ones.
        const QString line = lines[i].normalized(QString::NormalizationForm_KC).trimmed();
        if (line.isEmpty())
            continue;
        BatchLine entry;
        entry.line = i + 1;
        QString number = line;
        QString name;
        const qsizetype cut = line.indexOf(QRegularExpression(QStringLiteral("[,;\t、]")));
        if (cut >= 0) {
            number = line.left(cut);
            name = line.mid(cut + 1).trimmed();
        } else if (const qsizetype blank = line.lastIndexOf(QLatin1Char(' ')); blank > 0) {
            // "SF1234 5678 顺丰速运": a last word without digits names the
            // carrier; blanks inside a number are part of it.
            const QString last = line.mid(blank + 1);
            if (FindCarrierByName(last) || !last.contains(QRegularExpression(QStringLiteral("\\d")))) {
                number = line.left(blank);
                name = last;
            }
        }
        entry.number = compact(number);
        if (entry.number.isEmpty())
            continue;
        if (!name.isEmpty()) {
            entry.written = FindCarrierByName(name);
            if (!entry.written)
                entry.unknownName = name;
        }
        if (!entry.written)
            entry.detected = detect(entry.number, index);
        out.push_back(entry);
    }
    return out;
}

} // namespace CarrierDetection
