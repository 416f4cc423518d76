#pragma once

#include <QGroupBox>

class QPushButton;
class QRadioButton;

// The 查询 group: which numbers a query takes (the current one, the stored
// ones, the typed batch) beside the buttons that start and stop it.
class QueryControls final : public QGroupBox {
    Q_OBJECT
public:
    enum class Scope { None, Current, Stored, Batch };

    explicit QueryControls(QWidget *parent);

    Scope scope() const;
    void setScope(Scope scope);
    void setConciseEnabled(bool on);
    void setConciseTip(const QString &tip);
    void setDetailedEnabled(bool on);
    void setStopEnabled(bool on);
    // As a click on 简洁查询, which a disabled button ignores.
    void clickConcise();

Q_SIGNALS:
    void conciseClicked();
    void detailedClicked();
    void stopClicked();

private:
    QRadioButton *currentNumberOption = nullptr;
    QRadioButton *storedNumbersOption = nullptr;
    QRadioButton *batchNumbersOption = nullptr;
    QPushButton *conciseQueryButton = nullptr;
    QPushButton *detailedQueryButton = nullptr;
    QPushButton *stopQueryButton = nullptr;
};
