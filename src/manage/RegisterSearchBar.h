#pragma once

#include "manage/WaybillLoader.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The 快速查找 box under the management grid: the key and the column it is
// looked for in, whether archived rows are listed, what the newest search
// found when the grid cannot show it, and what the window is busy with.
class RegisterSearchBar final : public QGroupBox {
    Q_OBJECT
public:
    explicit RegisterSearchBar(QWidget *parent = nullptr);

    QString column() const;
    QString key() const;
    bool showsArchived() const;
    // Empties the key box without a search, and forgets what the last one found.
    void clearKey();
    void tellAnswer(const WaybillLoader::Result &result);
    // What the window is busy with: reaching the server, reading, exporting; empty when idle.
    void setActivity(const QString &text);
    void focusKey();
    // The key, its column and the archive box, in the order Tab reads them.
    QVector<QWidget *> tabStops() const;

Q_SIGNALS:
    void keyEdited();
    void showArchivedToggled();

private:
    QLineEdit *m_keyEdit = nullptr;
    QComboBox *m_columnCombo = nullptr;
    QCheckBox *m_showArchivedCheckBox = nullptr;
    QLabel *m_activityLabel = nullptr;
    QLabel *m_answerLabel = nullptr;
    QPushButton *m_showArchivedFoundButton = nullptr;
};
