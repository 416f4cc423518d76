// The main window's size, position and panes: restored at start, kept on the
// screen it opens on, saved at exit; the panes' handles in the Tab order.
#include "app/MainWindow.h"

#include "settings/WindowPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>

namespace {
const QString kAreaKey = QStringLiteral("上下分隔");
const QString kResultKey = QStringLiteral("结果分隔");
const QString kLowerKey = QStringLiteral("历史分隔");

bool isTabStop(const QWidget *w)
{
    return (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(w->window()) && w->isEnabled();
}
} // namespace

QList<QPair<QString, QSplitter *>> MainWindow::splitters() const
{
    return {{kAreaKey, areaSplitter}, {kResultKey, resultSplitter}, {kLowerKey, lowerSplitter}};
}

void MainWindow::placeSplitterHandles()
{
    // A handle is visited just before the first control of the pane it leads into.
    for (const auto &entry : splitters()) {
        QSplitter *splitter = entry.second;
        for (int i = 1; i < splitter->count(); ++i) {
            QWidget *pane = splitter->widget(i);
            QWidget *first = this;
            do
                first = first->nextInFocusChain();
            while (first != this && !(pane->isAncestorOf(first) && isTabStop(first)));
            QWidget *before = first;
            do
                before = before->previousInFocusChain();
            while (before != first && !(isTabStop(before) && !before->isAncestorOf(first)));
            if (first != this && before != first)
                setTabOrder(before, splitter->handle(i));
        }
    }
}

void MainWindow::restoreWindowPlace()
{
    QStringList keys;
    for (const auto &entry : splitters())
        keys << entry.first;
    const WindowPlace::Place place = WindowPlace::read(m_dataFolder, keys);
    if (!place.frame.isNull()) {
        const QScreen *screen = QGuiApplication::screenAt(place.frame.center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        const QRect frame = screen ? WindowPlace::keptOnScreen(place.frame, screen->availableGeometry(), minimumSize())
                                   : place.frame;
        resize(frame.size());
        move(frame.topLeft());
    }
    for (const auto &[key, splitter] : splitters()) {
        const QList<int> sizes = place.splitters.value(key);
        if (sizes.size() == splitter->count())
            splitter->setSizes(sizes);
    }
    if (place.maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::saveWindowPlace()
{
    WindowPlace::Place place;
    // Where the frame would be when not maximised: the frame's offset from the
    // window is the same in both states.
    const QPoint frameOffset = geometry().topLeft() - pos();
    place.frame = QRect(normalGeometry().topLeft() - frameOffset, normalGeometry().size());
    if (!isMaximized())
        place.frame = QRect(pos(), size());
    place.maximised = isMaximized();
    for (const auto &[key, splitter] : splitters())
        place.splitters.insert(key, splitter->sizes());
    WindowPlace::write(m_dataFolder, place); // a window placed anew at the next start is no failure
}
