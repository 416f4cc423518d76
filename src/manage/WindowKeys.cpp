#include "manage/WindowKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QPointer>
#include <QPushButton>
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
            // Buttons are all there by the time the window shows.
            EnterPressesFocusedButtons(m_window);
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

void EnterPressesFocusedButtons(QWidget *window)
{
    // Outside a dialog a push button only answers Enter when it is auto-default.
    for (QPushButton *button : window->findChildren<QPushButton *>())
        button->setAutoDefault(true);
}

void SetDefaultButton(QWidget *window, QAbstractButton *button)
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *enter = new QShortcut(QKeySequence(key), window);
        enter->setContext(Qt::WindowShortcut);
        QObject::connect(enter, &QShortcut::activated, button, [window, button] {
            // The shortcut comes before the focused button would see the key.
            auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
            QAbstractButton *pressed = focused && window->isAncestorOf(focused) ? focused : button;
            if (pressed->isEnabled() && pressed->isVisible())
                pressed->click();
        });
    }
}
