#include "app/PaneSplitter.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

class KeyboardHandle final : public QSplitterHandle {
public:
    KeyboardHandle(Qt::Orientation orientation, QSplitter *parent) : QSplitterHandle(orientation, parent)
    {
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const bool across = orientation() == Qt::Horizontal;
        const int step = event->modifiers() & Qt::ShiftModifier ? 1 : 20;
        int delta = 0;
        if (event->key() == (across ? Qt::Key_Left : Qt::Key_Up))
            delta = -step;
        else if (event->key() == (across ? Qt::Key_Right : Qt::Key_Down))
            delta = step;
        if (delta == 0) {
            QSplitterHandle::keyPressEvent(event);
            return;
        }
        moveSplitter(closestLegalPosition((across ? x() : y()) + delta));
    }
    void paintEvent(QPaintEvent *event) override
    {
        QSplitterHandle::paintEvent(event);
        if (hasFocus()) {
            QPainter painter(this);
            painter.fillRect(rect(), palette().color(QPalette::Highlight));
        }
    }
    void focusInEvent(QFocusEvent *) override { update(); }
    void focusOutEvent(QFocusEvent *) override { update(); }
};

} // namespace

PaneSplitter::PaneSplitter(Qt::Orientation orientation, const QString &accessibleName, QWidget *parent)
    : QSplitter(orientation, parent), m_handleName(accessibleName)
{
    setAccessibleName(accessibleName);
    setChildrenCollapsible(false);
    setHandleWidth(6);
}

QSplitterHandle *PaneSplitter::createHandle()
{
    auto *handle = new KeyboardHandle(orientation(), this);
    handle->setAccessibleName(m_handleName);
    return handle;
}
