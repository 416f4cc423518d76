#pragma once

#include <QWidget>

#include <memory>

class Dialogs;
class Launcher;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class WaybillStore;

// The import window: a text or Excel file into the register.
class Form6 final : public QWidget {
    Q_OBJECT
public:
    Form6(const QString &programFolder, Dialogs &dialogs, Launcher &launcher, QWidget *parent = nullptr);
    ~Form6() override;

    QRadioButton *Option1 = nullptr; // 从EXCEL导入
    QRadioButton *Option2 = nullptr; // 从TXT导入
    QPushButton *Command1 = nullptr; // 确定
    QPushButton *Command2 = nullptr; // EXCLE模板
    QLineEdit *Text1 = nullptr;
    QLabel *Label1 = nullptr; // the text layout
    QLabel *Label2 = nullptr; // the Excel layout

    void Command1_Click();
    void Command2_Click();

Q_SIGNALS:
    // Some waybills were stored.
    void imported();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Option1_Click();
    void Option2_Click();
    bool ensureStore();

    QString m_programFolder;
    Dialogs &m_dialogs;
    Launcher &m_launcher;
    std::unique_ptr<WaybillStore> m_store;
};
