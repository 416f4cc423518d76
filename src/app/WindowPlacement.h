#pragma once

#include <QList>
#include <QPair>
#include <QRect>
#include <QString>

class QMainWindow;
class QSplitter;
class QWidget;

// The main window's size, position and panes: the panes in two columns,
// restored at start, kept on the screen the window opens on, saved at exit;
// the panes' handles in the Tab order.
class WindowPlacement final {
public:
    struct Splitters {
        QSplitter *area;   // the page above the results
        QSplitter *result; // the results beside the query buttons
        QSplitter *lower;  // the input form above the history
    };
    WindowPlacement(QMainWindow &window, QString dataFolder, Splitters splitters, const QWidget &inputPane);

    // Once, with every pane in place: the columns and the handles' Tab order.
    void arrange();
    void restore();
    void save();
    // The geometry of the normal state, as the window moves or is resized.
    void remember();
    // The least size the panes need in the skin now on.
    void keepContentsWhole();
    // The window folds up at exit: its least size no longer holds.
    void release() { m_released = true; }

private:
    QList<QPair<QString, QSplitter *>> splitters() const;
    void fitPanes();
    void placeHandles();

    QMainWindow &m_window;
    QString m_dataFolder;
    Splitters m_splitters;
    QSplitter *m_column = nullptr; // the page and results beside the input and history
    const QWidget &m_inputPane;
    QRect m_normalPlace; // the window's geometry when last neither maximised nor minimised
    bool m_released = false;
};
