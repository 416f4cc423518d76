#pragma once

#include "core/Outcome.h"

#include <QList>
#include <QMap>
#include <QRect>
#include <QString>

// Where the main window was left: its place when not maximised, whether it
// was maximised and how its splitters were set, kept in config.ini in a
// section of its own so that the settings' section stays as it was.
namespace WindowPlace {

inline const QString kSection = QStringLiteral("窗口");

struct Place {
    // The window without its frame, as QWidget::geometry(): the frame's size is
    // known only once the window is shown, so a frame position set before that
    // moved the window by the border's width at every start.
    QRect normal; // null when never saved

    bool maximised = false;
    QMap<QString, QList<int>> splitters; // by key, the sizes of each pane
};

// A value that is no number, or a size of nothing, leaves that part unsaved.
Place read(const QString &programFolder, const QStringList &splitterKeys);
Outcome write(const QString &programFolder, const Place &place);

// The saved frame moved and shrunk into the screen it is shown on (a smaller
// screen or a removed monitor), never below the window's minimum.
QRect keptOnScreen(const QRect &wanted, const QRect &available, const QSize &minimum);

// The first start's place: most of the screen, centred, never below the minimum.
QRect firstPlace(const QRect &available, const QSize &minimum);

} // namespace WindowPlace
