#pragma once

#include "carriers/CarrierCatalogue.h"

#include <QObject>

#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QListWidget;
class QRadioButton;

// The carrier and data-source choice: the 快递公司 group (twelve buttons and
// the list of the others) and the 数据来源 group. The window places the two
// groups apart. A choice the user makes is told by a signal; one made in code
// tells nothing.
class CarrierControls final : public QObject {
    Q_OBJECT
public:
    explicit CarrierControls(QWidget *parent);

    QGroupBox *carrierGroup() const { return m_carrierGroup; }
    QGroupBox *sourceGroup() const { return m_sourceGroup; }

    void setButtonOn(int button);
    void turnButtonsOff();
    void clearList();
    void setListRow(int row);
    // The carrier on: a button's or the list's; nullptr without one.
    const Carrier *buttonCarrier() const;
    const Carrier *listedCarrier() const;

    DataSource source() const;
    void setSource(DataSource source);

Q_SIGNALS:
    void buttonChosen(int button);
    void listChosen();
    void sourceChosen(DataSource source);

private:
    void whenChosen(QRadioButton *button, const std::function<void()> &action);

    QGroupBox *m_carrierGroup = nullptr;
    QGroupBox *m_sourceGroup = nullptr;
    QRadioButton *carrierOptions[12] = {};
    QLabel *otherCarriersLabel = nullptr;
    QListWidget *otherCarriersList = nullptr;
    QRadioButton *defaultSourceOption = nullptr;
    QRadioButton *backupSource1Option = nullptr;
    QRadioButton *backupSource2Option = nullptr;
    QLabel *defaultSourceNoteLabel = nullptr;
    QButtonGroup *m_carrierButtons = nullptr;
    QButtonGroup *m_sourceButtons = nullptr;
    bool m_suppressListAction = false;
    bool m_choosingInCode = false;
};
