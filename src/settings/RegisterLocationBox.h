#pragma once

#include "settings/AppSettings.h"
#include "store/StoreDialect.h"

#include <QGroupBox>

class BackgroundTask;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The settings dialog's frame for where the register lives: kd.db on this PC,
// or a PostgreSQL server, with a button that tries the server on a worker.
// The password typed here is kept for this run only (RegisterLocation).
class RegisterLocationBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit RegisterLocationBox(QWidget *parent = nullptr);

    void load(const QString &programFolder);
    // Its keys, for the dialog's one write; the password goes to this run's memory.
    void addTo(AppSettings::Changes &changes) const;
    // What the fields say now, the typed password included.
    StoreLocation location() const;
    // The location differs from the one config.ini held at load().
    bool changed() const;

    QRadioButton *localChoice = nullptr;
    QRadioButton *serverChoice = nullptr;
    QLineEdit *hostEdit = nullptr;
    QSpinBox *portBox = nullptr;
    QLineEdit *databaseEdit = nullptr;
    QLineEdit *userEdit = nullptr;
    QLineEdit *serviceEdit = nullptr;
    QComboBox *sslModeCombo = nullptr;
    QLineEdit *passwordEdit = nullptr;
    QPushButton *testButton = nullptr;
    QLabel *testResultLabel = nullptr;
    QPushButton *copyToServerButton = nullptr;   // 复制本机登记簿到服务器
    QPushButton *copyFromServerButton = nullptr; // 复制服务器登记簿到本机文件

Q_SIGNALS:
    // The test's verdict is shown.
    void tested(bool reached);
    // A copy is asked for between this PC's kd.db (or a file) and the server the fields name.
    void copyToServerAsked(const StoreLocation &local, const ServerLocation &server);
    void copyFromServerAsked(const ServerLocation &server);

private:
    // The server's fields, each with its label, into the form.
    void buildServerFields(QFormLayout *form);
    void enableServerFields();
    void test();

    QString m_programFolder;
    StoreLocation m_loaded;
    BackgroundTask *m_task = nullptr;
    QVector<QWidget *> m_serverFields;
};
