// The main window's size, position and panes: restored at start, kept on the
// screen it opens on, saved at exit; the panes' handles in the Tab order.
#include "app/MainWindow.h"

#include "app/InputPane.h"
#include "app/MainWindow_build.h"
#include "app/PaneSplitter.h"
#include "settings/WindowPlace.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWindow>
#include <QSplitter>

namespace {
const QString kAreaKey = QStringLiteral("上下分隔");
const QString kResultKey = QStringLiteral("结果分隔");
// The input and history above one another now: the old side-by-side sizes are not theirs.
const QString kLowerKey = QStringLiteral("输入分隔");
const QString kColumnKey = QStringLiteral("左右分隔");

bool isTabStop(const QWidget *w)
{
    return (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(w->window()) && w->isEnabled();
}
} // namespace

QList<QPair<QString, QSplitter *>> MainWindow::splitters() const
{
    return {{kAreaKey, areaSplitter},
            {kResultKey, resultSplitter},
            {kLowerKey, lowerSplitter},
            {kColumnKey, columnSplitter}};
}

void MainWindow::arrangePanes()
{
    // On a laptop's 768 lines a single column left the page a sliver and the
    // history four rows: the page and the results take the left column, the
    // input form and the history list the right one, each as tall as the
    // window allows.
    areaSplitter->setAccessibleName(QStringLiteral("调整网页和查询结果的高度"));
    areaSplitter->handle(1)->setAccessibleName(areaSplitter->accessibleName());
    lowerSplitter->setOrientation(Qt::Vertical);
    lowerSplitter->setAccessibleName(QStringLiteral("调整输入信息和历史记录的高度"));
    lowerSplitter->handle(1)->setAccessibleName(lowerSplitter->accessibleName());
    lowerSplitter->setStretchFactor(0, 0);
    lowerSplitter->setStretchFactor(1, 1);
    columnSplitter = named(new PaneSplitter(Qt::Horizontal, QStringLiteral("调整历史记录的宽度"), centralWidget()),
                           "columnSplitter");
    centralWidget()->layout()->replaceWidget(areaSplitter, columnSplitter);
    columnSplitter->addWidget(areaSplitter);
    columnSplitter->addWidget(lowerSplitter);
    columnSplitter->setStretchFactor(0, 3);
    columnSplitter->setStretchFactor(1, 2);
    areaSplitter->setStretchFactor(0, 1);
    areaSplitter->setStretchFactor(1, 0);
}

void MainWindow::fitPanes()
{
    // Laid out once now, so the first sizes are pixels of this window.
    keepContentsWhole();
    resize(size().expandedTo(minimumSize()));
    centralWidget()->layout()->activate();
    layout()->activate();
    const int width = columnSplitter->width();
    const int right = qMax(lowerSplitter->minimumSizeHint().width(), width * 2 / 5);
    columnSplitter->setSizes({width - right, right});
    const int left = areaSplitter->height();
    const int results = qMax(resultSplitter->minimumSizeHint().height(), left / 3);
    areaSplitter->setSizes({left - results, results});
    const int lower = lowerSplitter->height();
    const int input = qMin(m_inputPane->sizeHint().height(), lower / 2);
    lowerSplitter->setSizes({input, lower - input});
}

void MainWindow::placeSplitterHandles()
{
    arrangePanes();
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
    const QScreen *screen = place.normal.isNull() ? nullptr : QGuiApplication::screenAt(place.normal.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen && place.normal.isNull())
        setGeometry(WindowPlace::firstPlace(screen->availableGeometry(), minimumSize()));
    else if (screen)
        setGeometry(WindowPlace::keptOnScreen(place.normal, screen->availableGeometry(), minimumSize()));
    else if (!place.normal.isNull())
        setGeometry(place.normal);
    m_normalPlace = geometry();
    fitPanes();
    for (const auto &[key, splitter] : splitters()) {
        const QList<int> sizes = place.splitters.value(key);
        if (sizes.size() == splitter->count())
            splitter->setSizes(sizes);
    }
    if (place.maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::rememberNormalPlace()
{
    // A window manager that maximises the window tells Qt the new state but
    // keeps no normal geometry for it: the last one seen in the normal state
    // is kept here instead.
    // Its resize may come before the widget hears of the new state; the
    // platform window already knows it.
    const Qt::WindowStates notNormal = Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
    if (!isVisible() || (windowState() & notNormal) || (windowHandle() && (windowHandle()->windowStates() & notNormal)))
        return;
    m_normalPlace = geometry();
}

void MainWindow::keepContentsWhole()
{
    // Never below the classic size, nor below what the panes need in this skin:
    // a smaller minimum squashed the buttons' captions of the wider skins.
    if (!m_exiting && layout())
        setMinimumSize(layout()->totalMinimumSize().expandedTo(QSize(px(10260), px(10110))));
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        QMetaObject::invokeMethod(this, &MainWindow::keepContentsWhole, Qt::QueuedConnection);
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    rememberNormalPlace();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    rememberNormalPlace();
}

void MainWindow::saveWindowPlace()
{
    WindowPlace::Place place;
    place.maximised = isMaximized();
    rememberNormalPlace();
    place.normal = m_normalPlace;
    for (const auto &[key, splitter] : splitters())
        place.splitters.insert(key, splitter->sizes());
    WindowPlace::write(m_dataFolder, place); // a window placed anew at the next start is no failure
}
