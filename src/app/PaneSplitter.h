#pragma once

#include <QSplitter>

// A splitter whose handles a keyboard reaches too: Tab stops on a handle,
// the arrow keys move it, and a screen reader hears what it divides.
class PaneSplitter final : public QSplitter {
    Q_OBJECT
public:
    PaneSplitter(Qt::Orientation orientation, const QString &accessibleName, QWidget *parent);

protected:
    QSplitterHandle *createHandle() override;

private:
    QString m_handleName;
};
