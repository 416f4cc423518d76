#include "app/TypedCarrierChoice.h"

#include "carriers/TypedNumber.h"
#include "store/Waybill.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
// A carrier's name that the wrapped line under 单号 never breaks: word joiners
// between its characters, as Chinese text may otherwise break anywhere.
QString unbroken(const QString &name)
{
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (i > 0 && !name.at(i).isLowSurrogate())
            out += QChar(0x2060);
        out += name.at(i);
    }
    return out.toHtmlEscaped();
}
} // namespace

QString TypedCarrierChoice::rewriteOf(const QString &typed)
{
    if (TrimBlanks(typed).isEmpty())
        return QString();
    const CarrierDetection::TypedNumber read = CarrierDetection::readTyped(typed);
    if (!read.several.isEmpty() || read.number == WaybillNumber::normalForm(typed) ||
        !read.number.contains(QRegularExpression(QStringLiteral("\\d"))))
        return QString();
    return read.number;
}

TypedCarrierChoice::Step TypedCarrierChoice::typed(const QString &text, const QString &shownCarrier,
                                                   const CarrierDetection::RegisterIndex *known)
{
    Step step;
    m_offered = {};
    if (TrimBlanks(text).isEmpty()) {
        m_chosenByUser = false;
        m_undoneFor.clear();
        return step;
    }
    const CarrierDetection::TypedNumber typed = CarrierDetection::readTyped(text);
    if (!typed.several.isEmpty()) {
        // One box, one number: refused rather than joined or split, as which
        // of them the other boxes speak of is the user's to say.
        step.forget = m_autoChosen != nullptr;
        m_autoChosen = nullptr;
        step.hint = QStringLiteral("单号框里有 %1 个单号（%2），一次只能填一个；多个单号请用“批量快递单”")
                        .arg(typed.several.size())
                        .arg(typed.several.join(QStringLiteral("、")).toHtmlEscaped());
        return step;
    }
    const QString &number = typed.number;
    const CarrierDetection::Result result = CarrierDetection::detect(number, known);
    // What is wrong with the number is said whoever chose the carrier.
    const QString warning = result.warning.toHtmlEscaped();
    if (m_chosenByUser) {
        step.hint = warning;
        return step;
    }
    const bool carrierShown = !shownCarrier.isEmpty() && !m_autoChosen;
    if (result.sure && number != m_undoneFor) {
        const Carrier &carrier = *result.sureCarrier();
        if (shownCarrier != carrier.name)
            step.choose = &carrier;
        m_autoChosen = &carrier;
        step.hint = QStringLiteral("已自动选择：%1（%2） <a href=\"undo\">撤销</a>")
                        .arg(unbroken(carrier.name), result.candidates.first().reason.toHtmlEscaped());
        return step;
    }
    if (m_autoChosen) {
        // The number changed and no longer points to the carrier chosen for it.
        step.forget = true;
        m_autoChosen = nullptr;
    } else if (carrierShown) {
        step.hint = warning;
        return step;
    }
    if (result.candidates.isEmpty() && result.warning.isEmpty())
        return step;
    m_offered = result;
    QStringList offers;
    for (int i = 0; i < result.candidates.size() && i < 4; ++i) {
        const CarrierDetection::Candidate &c = result.candidates[i];
        offers << QStringLiteral("<a href=\"%1\">%2</a>%3")
                      .arg(i)
                      .arg(unbroken(c.carrier->name), c.byRegister ? QStringLiteral("（前缀与登记一致）") : QString());
    }
    QStringList lines;
    if (!result.warning.isEmpty())
        lines << warning;
    if (!offers.isEmpty())
        lines << QStringLiteral("可能是：") + offers.join(QStringLiteral(" / "));
    step.hint = lines.join(QStringLiteral("<br>"));
    return step;
}

void TypedCarrierChoice::undo(const QString &typed)
{
    m_undoneFor = CarrierDetection::readTyped(typed).number;
    m_autoChosen = nullptr;
}

void TypedCarrierChoice::userChose()
{
    m_chosenByUser = true;
    m_autoChosen = nullptr;
    m_offered = {};
}

void TypedCarrierChoice::carrierCleared()
{
    m_autoChosen = nullptr;
    m_offered = {};
}

const Carrier *TypedCarrierChoice::offered(int index) const
{
    if (index < 0 || index >= m_offered.candidates.size())
        return nullptr;
    return m_offered.candidates[index].carrier;
}
