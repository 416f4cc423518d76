#include "manage/WindowKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QWidget>

namespace {
class FocusReturn final : public QObject {
public:
    explicit FocusReturn(QWidget *window) : QObject(window), m_window(window) { window->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::Show) {
            QWidget *focus = QApplication::focusWidget();
            m_opener = focus && !m_window->isAncestorOf(focus) ? focus : nullptr;
        } else if (event->type() == QEvent::Hide && m_opener && m_opener->isVisible()) {
            m_opener->window()->activateWindow();
            m_opener->setFocus(Qt::OtherFocusReason);
        }
        return false;
    }

private:
    QWidget *m_window;
    QPointer<QWidget> m_opener;
};
} // namespace

void InstallWindowKeys(QWidget *window)
{
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
    new FocusReturn(window);
}

void SetDefaultButton(QWidget *window, QAbstractButton *button)
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *enter = new QShortcut(QKeySequence(key), window);
        enter->setContext(Qt::WindowShortcut);
        QObject::connect(enter, &QShortcut::activated, button, [button] {
            if (button->isEnabled() && button->isVisible())
                button->click();
        });
    }
}
