// Where the main window and its panes go, and what is kept of them at exit.
#include "app/WindowPlacement.h"

#include "app/PaneSplitter.h"
#include "core/BuildHelpers.h"
#include "settings/WindowPlace.h"

#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>
#include <QWindow>

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

QList<QPair<QString, QSplitter *>> WindowPlacement::splitters() const
{
    return {{kAreaKey, m_splitters.area},
            {kResultKey, m_splitters.result},
            {kLowerKey, m_splitters.lower},
            {kColumnKey, m_column}};
}

WindowPlacement::WindowPlacement(QMainWindow &window, QString dataFolder, Splitters splitters, const QWidget &inputPane)
    : m_window(window), m_dataFolder(std::move(dataFolder)), m_splitters(splitters), m_inputPane(inputPane)
{
}

void WindowPlacement::arrange()
{
    QSplitter *areaSplitter = m_splitters.area;
    QSplitter *lowerSplitter = m_splitters.lower;
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
    m_column = named(new PaneSplitter(Qt::Horizontal, QStringLiteral("调整历史记录的宽度"), m_window.centralWidget()),
                     "columnSplitter");
    // The layout item handed back for the splitter it held is ours to delete.
    delete m_window.centralWidget()->layout()->replaceWidget(areaSplitter, m_column);
    m_column->addWidget(areaSplitter);
    m_column->addWidget(lowerSplitter);
    m_column->setStretchFactor(0, 3);
    m_column->setStretchFactor(1, 2);
    areaSplitter->setStretchFactor(0, 1);
    areaSplitter->setStretchFactor(1, 0);
    placeHandles();
}

void WindowPlacement::fitPanes()
{
    // Laid out once now, so the first sizes are pixels of this window.
    keepContentsWhole();
    m_window.resize(m_window.size().expandedTo(m_window.minimumSize()));
    m_window.centralWidget()->layout()->activate();
    m_window.layout()->activate();
    const int width = m_column->width();
    const int right = qMax(m_splitters.lower->minimumSizeHint().width(), width * 2 / 5);
    m_column->setSizes({width - right, right});
    const int left = m_splitters.area->height();
    const int results = qMax(m_splitters.result->minimumSizeHint().height(), left / 3);
    m_splitters.area->setSizes({left - results, results});
    const int lower = m_splitters.lower->height();
    const int input = qMin(m_inputPane.sizeHint().height(), lower / 2);
    m_splitters.lower->setSizes({input, lower - input});
}

void WindowPlacement::placeHandles()
{
    // A handle is visited just before the first control of the pane it leads into.
    for (const auto &entry : splitters()) {
        QSplitter *splitter = entry.second;
        for (int i = 1; i < splitter->count(); ++i) {
            QWidget *pane = splitter->widget(i);
            QWidget *const window = &m_window;
            QWidget *first = window;
            do
                first = first->nextInFocusChain();
            while (first != window && !(pane->isAncestorOf(first) && isTabStop(first)));
            QWidget *before = first;
            do
                before = before->previousInFocusChain();
            while (before != first && !(isTabStop(before) && !before->isAncestorOf(first)));
            if (first != window && before != first)
                QWidget::setTabOrder(before, splitter->handle(i));
        }
    }
}

void WindowPlacement::restore()
{
    QStringList keys;
    for (const auto &entry : splitters())
        keys << entry.first;
    const WindowPlace::Place place = WindowPlace::read(m_dataFolder, keys);
    const QScreen *screen = place.normal.isNull() ? nullptr : QGuiApplication::screenAt(place.normal.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen && place.normal.isNull())
        m_window.setGeometry(WindowPlace::firstPlace(screen->availableGeometry(), m_window.minimumSize()));
    else if (screen)
        m_window.setGeometry(
            WindowPlace::keptOnScreen(place.normal, screen->availableGeometry(), m_window.minimumSize()));
    else if (!place.normal.isNull())
        m_window.setGeometry(place.normal);
    m_normalPlace = m_window.geometry();
    fitPanes();
    for (const auto &[key, splitter] : splitters()) {
        const QList<int> sizes = place.splitters.value(key);
        if (sizes.size() == splitter->count())
            splitter->setSizes(sizes);
    }
    if (place.maximised)
        m_window.setWindowState(m_window.windowState() | Qt::WindowMaximized);
}

void WindowPlacement::remember()
{
    // A window manager that maximises the window tells Qt the new state but
    // keeps no normal geometry for it: the last one seen in the normal state
    // is kept here instead.
    // Its resize may come before the widget hears of the new state; the
    // platform window already knows it.
    const Qt::WindowStates notNormal = Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
    const QWindow *handle = m_window.windowHandle();
    if (!m_window.isVisible() || (m_window.windowState() & notNormal) ||
        (handle && (handle->windowStates() & notNormal)))
        return;
    m_normalPlace = m_window.geometry();
}

void WindowPlacement::keepContentsWhole()
{
    // Never below the classic size, nor below what the panes need in this skin:
    // a smaller minimum squashed the buttons' captions of the wider skins.
    if (!m_released && m_window.layout())
        m_window.setMinimumSize(m_window.layout()->totalMinimumSize().expandedTo(QSize(px(10260), px(10110))));
}

void WindowPlacement::save()
{
    WindowPlace::Place place;
    place.maximised = m_window.isMaximized();
    remember();
    place.normal = m_normalPlace;
    for (const auto &[key, splitter] : splitters())
        place.splitters.insert(key, splitter->sizes());
    WindowPlace::write(m_dataFolder, place); // a window placed anew at the next start is no failure
}
