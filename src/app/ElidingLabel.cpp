#include "app/ElidingLabel.h"

#include <QPainter>
#include <QStyle>

namespace {
QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return text;
}
} // namespace

ElidingLabel::ElidingLabel(QWidget *parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // It shows stored values: markup in one is text.
    setTextFormat(Qt::PlainText);
}

QSize ElidingLabel::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * 4, fontMetrics().height()};
}

QSize ElidingLabel::sizeHint() const
{
    const int width = fontMetrics().horizontalAdvance(oneLine(text()));
    return {qMin(width, fontMetrics().averageCharWidth() * 30), fontMetrics().height()};
}

void ElidingLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(oneLine(text()), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, int(alignment()) | Qt::TextSingleLine, palette(), isEnabled(), shown,
                          foregroundRole());
}
