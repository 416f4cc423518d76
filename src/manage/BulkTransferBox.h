#pragma once

#include <QGroupBox>

class QPushButton;

// The 批量导入导出 box: export and import of the whole register, and the two
// windows that look over all of it, 统计 and 超时件.
class BulkTransferBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit BulkTransferBox(QWidget *parent = nullptr);

    // An export runs in the background; another waits until it is done.
    void setExporting(bool exporting);
    // The buttons in the order Tab reads them.
    QVector<QWidget *> tabStops() const;

Q_SIGNALS:
    void exportAsked();
    void importAsked();
    void statisticsAsked();
    void flaggedAsked();

private:
    QPushButton *m_exportButton = nullptr;
    QVector<QWidget *> m_buttons;
};
