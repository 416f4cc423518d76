#include "carriers/CarrierDetector.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace CarrierDetection {

namespace {
bool byLengthThenNumber(const RegisterIndex::Entry &a, const RegisterIndex::Entry &b)
{
    if (a.number.size() != b.number.size())
        return a.number.size() < b.number.size();
    return a.number < b.number;
}

// The shortest shared prefix that counts as evidence: more than half the
// number, and never fewer than four characters. Half of a 10-digit number is
// five digits, which another carrier's numbers share too often.
int minimumPrefix(qsizetype length)
{
    return int(std::max<qsizetype>(4, length / 2 + 1));
}

bool looksLikeMobile(const QString &number)
{
    static const QRegularExpression mobile(QStringLiteral("^(\\+86)?1[3-9]\\d{9}$"));
    return mobile.match(number).hasMatch();
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
    return Entry{WaybillNumber::normalForm(number), carrier->row};
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
    const auto sameLength =
        std::equal_range(m_entries.cbegin(), m_entries.cend(), Entry{number, 0},
                         [](const Entry &a, const Entry &b) { return a.number.size() < b.number.size(); });
    // The numbers sharing a prefix are one run of the sorted list, found by
    // two binary searches.
    const auto sharing = [&](qsizetype prefix) {
        return std::equal_range(sameLength.first, sameLength.second, QStringView(number).left(prefix),
                                [prefix](const auto &a, const auto &b) { return key(a, prefix) < key(b, prefix); });
    };
    for (qsizetype prefix = length - 1; prefix >= minimumPrefix(length) && !found.prefixLength; --prefix) {
        if (const auto run = sharing(prefix); run.first != run.second)
            found.prefixLength = int(prefix);
    }
    if (!found.prefixLength)
        return found;
    // Counted over every number that shares enough: a shop's run, not the one
    // or two numbers that happen to share a few more digits.
    const auto run = sharing(minimumPrefix(length));
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
    return found;
}

int RegisterIndex::storedRow(const QString &number) const
{
    const auto at = std::lower_bound(m_entries.cbegin(), m_entries.cend(), Entry{number, 0}, byLengthThenNumber);
    return at != m_entries.cend() && at->number == number ? at->carrierRow : 0;
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
    const QString number = WaybillNumber::normalForm(typed);
    if (number.isEmpty())
        return result;
    // The register's word on a number it holds comes before any format: the
    // user chose that carrier for this very number.
    if (const int row = index ? index->storedRow(number) : 0) {
        result.candidates.push_back(
            {&CarrierCatalogue::all().at(row - 1), 100, QStringLiteral("登记中已有此单号"), false, true});
        result.sure = true;
        return result;
    }
    // People paste the receiver's mobile number as often as the waybill's; no
    // carrier is offered for one (11 digits, 1 and then 3 to 9).
    if (looksLikeMobile(number)) {
        result.warning = QStringLiteral("像是手机号码，不是快递单号");
        return result;
    }
    if (const int check = wrongS10CheckDigit(number); check >= 0)
        result.warning = QStringLiteral("邮件号校验位不对（按前 8 位数字应为 %1），请核对").arg(check);
    const QVector<FormatMatch> formats = formatMatches(number);
    const RegisterIndex::Neighbours near = index ? index->neighbours(number) : RegisterIndex::Neighbours{};

    for (const FormatMatch &f : formats)
        result.candidates.push_back({f.carrier, f.owned && formats.size() == 1 ? 90 : f.weight, f.reason, true, false});
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

    // Sure on a prefix that one carrier owns, unless the register says
    // otherwise; or on several stored numbers of one carrier sharing the
    // prefix, unless an owned prefix says otherwise. Plain digits alone never.
    const Carrier *stored =
        near.countByRow.size() == 1 ? &CarrierCatalogue::all().at(near.countByRow.first().first - 1) : nullptr;
    const Carrier *sure = nullptr;
    if (formats.size() == 1 && formats.first().owned) {
        if (near.countByRow.isEmpty() || stored == formats.first().carrier)
            sure = formats.first().carrier;
    } else if (stored && near.countByRow.first().second >= 2 &&
               std::none_of(formats.cbegin(), formats.cend(), [](const FormatMatch &f) { return f.owned; })) {
        sure = stored;
    }
    if (sure) {
        const auto at = std::find_if(result.candidates.begin(), result.candidates.end(),
                                     [sure](const Candidate &c) { return c.carrier == sure; });
        std::rotate(result.candidates.begin(), at, at + 1);
        result.sure = true;
    }
    return result;
}

QString BatchLine::needText() const
{
    switch (need) {
    case Need::Nothing:
        break;
    case Need::UnknownFormat:
        return detected.warning.isEmpty() ? QStringLiteral("格式无法识别") : detected.warning;
    case Need::SeveralCarriers:
        return QStringLiteral("无法确定，可能是：") + detected.names().join(QStringLiteral(" / "));
    case Need::UnknownName:
        return QStringLiteral("没有名为“%1”的快递公司").arg(unknownName.left(20));
    }
    return QString();
}

namespace {
// Something a carrier could have issued: letters, digits and dashes, with a
// digit among them. "abc" or "快递" is never run, whatever the batch's carrier.
bool holdsWaybillNumber(const QString &number)
{
    static const QRegularExpression shape(QStringLiteral("^[0-9A-Z-]*[0-9][0-9A-Z-]*$"));
    return shape.match(number).hasMatch();
}
} // namespace

QVector<BatchLine> readBatch(const QString &text, const RegisterIndex *index, const Carrier *forAll)
{
    QVector<BatchLine> out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QHash<QString, int> leadOf; // number → index in out of the line that runs it
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
        entry.number = WaybillNumber::normalForm(number);
        if (entry.number.isEmpty())
            continue;
        if (!name.isEmpty()) {
            entry.written = FindCarrierByName(name);
            if (!entry.written)
                entry.unknownName = name;
        }
        if (!entry.written)
            entry.detected = detect(entry.number, index);
        if (entry.written)
            entry.carrier = entry.written;
        else if (!entry.unknownName.isEmpty())
            entry.need = BatchLine::Need::UnknownName; // the user's word against the detection
        else if (!holdsWaybillNumber(entry.number) || looksLikeMobile(entry.number))
            entry.need = BatchLine::Need::UnknownFormat;
        else if (forAll)
            entry.carrier = forAll;
        else if (const Carrier *sure = entry.detected.sureCarrier())
            entry.carrier = sure;
        else
            entry.need =
                entry.detected.candidates.isEmpty() ? BatchLine::Need::UnknownFormat : BatchLine::Need::SeveralCarriers;
        // A number runs once: on its first line that names a carrier, else on
        // its first line that has one, else its first line is asked about.
        const auto rank = [](const BatchLine &l) { return l.written ? 2 : l.carrier ? 1 : 0; };
        const auto lead = leadOf.constFind(entry.number);
        if (lead == leadOf.constEnd()) {
            leadOf.insert(entry.number, int(out.size()));
        } else if (BatchLine &first = out[*lead]; rank(entry) > rank(first)) {
            for (BatchLine &other : out)
                if (other.number == entry.number)
                    other.repeatOf = entry.line;
            leadOf.insert(entry.number, int(out.size()));
        } else {
            entry.repeatOf = first.line;
        }
        out.push_back(entry);
    }
    return out;
}

BatchPlan planBatch(const QString &text, const RegisterIndex *index, const Carrier *forAll)
{
    BatchPlan plan;
    plan.lines = readBatch(text, index, forAll);
    for (const BatchLine &l : plan.lines) {
        if (l.isRepeat())
            ++plan.repeated;
        else if (l.carrier)
            plan.rows.push_back({l.number, l.carrier->name});
        else
            plan.needCarrier.push_back(l);
    }
    return plan;
}

} // namespace CarrierDetection
