#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

class QPushButton;
class QTabBar;
class QTextEdit;
class QTreeWidget;

// The query results: the tabs 详细结果 and 简洁结果 over the detailed text or
// the concise list, and the buttons to save and clear them. It keeps what it
// shows, and a save writes that, not the controls' text.
class ResultsPane final : public QWidget {
    Q_OBJECT
public:
    explicit ResultsPane(QWidget *parent);

    // The concise list, emptied, with its three columns, on its tab.
    void startConcise();
    // A row of the concise list; its index for a note added later.
    int addConciseRow(const QString &number, const QString &carrier, const QString &state);
    void setConciseState(int row, const QString &state);
    QVector<QStringList> conciseRows() const;
    // Rows still on their way need the columns they are written into.
    void clearConcise(bool keepColumns);

    // The detailed text, shown on its tab.
    void startDetailed();
    void chooseDetailedTab();
    const QString &detailText() const { return m_detailText; }
    void setDetail(const QString &text);
    void appendDetail(const QString &text);

Q_SIGNALS:
    void saveConciseClicked();
    void saveDetailedClicked();
    void clearClicked();

private:
    void showChosenResults();

    QVector<QStringList> m_conciseRows;
    int m_columns = 0;
    QString m_detailText;
    QTabBar *resultTabs = nullptr;
    QTextEdit *detailedResultText = nullptr;
    QTreeWidget *conciseResultView = nullptr;
    QPushButton *saveConciseResultsButton = nullptr;
    QPushButton *saveDetailedResultsButton = nullptr;
    QPushButton *clearResultsButton = nullptr;
};
