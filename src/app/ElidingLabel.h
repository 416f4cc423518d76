#pragma once

#include <QLabel>

// A one-line value label that never widens its window: a text too long for
// the space it gets is shown with "…", and line breaks inside a value (a
// pasted U+2028, say) are shown as blanks. text() stays the value itself.
class ElidingLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ElidingLabel(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
