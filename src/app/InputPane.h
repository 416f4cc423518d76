#pragma once

#include "carriers/CarrierDetector.h"
#include "store/Waybill.h"

#include <QTabWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// The input form: 单个快递单 with its boxes, the line under 单号 and the save
// buttons, and 批量快递单 with each line's carrier beside it. The boxes never
// keep blanks at either end; each change is told with the field it fills.
class InputPane final : public QTabWidget {
    Q_OBJECT
public:
    // Which of a waybill's fields a box fills.
    using Field = QString Waybill::*;

    // `known` is the register's numbers, for the carriers beside the batch.
    InputPane(const CarrierDetection::RegisterIndex &known, QWidget *parent);

    QString number() const;
    // The box holds `number` instead, through insert() so that Ctrl+Z brings
    // back what was there.
    void replaceNumber(const QString &number);
    QString batchText() const;
    bool autoSave() const;
    void setAutoSave(bool on);
    void setTime(const QString &time);
    void clearForm();

    // The line under 单号; `undoable` when Esc in 单号 takes its 撤销.
    void showHint(const QString &html, bool undoable);
    void hideHint();
    // Gone with the carrier it spoke of (a data source was chosen).
    void dropHint();

    void showBatchCarriers();
    void setBatchLineCarrier(int line, const QString &carrier);

Q_SIGNALS:
    void fieldChanged(InputPane::Field field, const QString &text);
    void numberEntered();
    void hintLinkActivated(const QString &link);
    void saveClicked();
    void autoSaveClicked();

private:
    void buildForm();
    void connectForm();
    void buildBatch();
    void buildHintKeys();
    void keepTrimmed(QLineEdit *box, QString Waybill::*field);
    void chooseForBatchLine(int line);

    const CarrierDetection::RegisterIndex &m_known;
    bool m_undoable = false;
    QGroupBox *inputGroup = nullptr;
    QLabel *numberInputLabel = nullptr, *goodsInputLabel = nullptr, *amountInputLabel = nullptr,
           *timeInputLabel = nullptr, *nameInputLabel = nullptr, *phoneInputLabel = nullptr,
           *addressInputLabel = nullptr, *notesInputLabel = nullptr;
    QLineEdit *numberEdit = nullptr, *goodsEdit = nullptr, *amountEdit = nullptr, *timeEdit = nullptr,
              *nameEdit = nullptr, *phoneEdit = nullptr, *addressEdit = nullptr, *notesEdit = nullptr;
    QLabel *detectionLabel = nullptr; // under 单号: what the number looks like
    QCheckBox *autoSaveCheckBox = nullptr;
    QPushButton *saveInputButton = nullptr;
    QPushButton *clearInputButton = nullptr;
    QPlainTextEdit *batchNumbersEdit = nullptr;
    QListWidget *batchCarriersList = nullptr; // beside 批量快递单: each line's carrier
};
