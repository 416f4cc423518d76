#pragma once

#include "settings/ServiceSettings.h"

#include <QGroupBox>
#include <QHash>
#include <QSet>

class KeyStore;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QNetworkAccessManager;
class QPushButton;
class QSpinBox;

// The settings dialog's frame for the tracking services: which one the
// queries use, its account and key, the order a failing pass moves on in,
// the background refresh's daily budget and how each source has fared.
// services.ini keeps all but the keys; those go to the KeyStore, and a key
// typed here is never shown again.
class ServiceSettingsBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit ServiceSettingsBox(KeyStore &keyStore, QWidget *parent = nullptr);

    void load(const QString &programFolder);
    // services.ini in one write, and the typed keys to the KeyStore; each
    // failure in the user's words.
    QStringList save(const QString &programFolder);
    // What the fields say now (health as loaded).
    ServiceSettings settings() const;

    // The program's transfer time-out, for the 测试 button's one request.
    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }

    QLabel *serviceLabel = nullptr;
    QComboBox *serviceCombo = nullptr;
    QLabel *accountLabel = nullptr;
    QLineEdit *accountEdit = nullptr;
    QLabel *keyLabel = nullptr;
    QLineEdit *keyEdit = nullptr;
    QPushButton *testButton = nullptr;
    QLabel *testResultLabel = nullptr;
    // What the keyring did with a saved key, when it did not take it.
    QLabel *keyStatusLabel = nullptr;
    QLabel *fallbackLabel = nullptr;
    QListWidget *fallbackList = nullptr;
    QPushButton *moveUpButton = nullptr;
    QPushButton *moveDownButton = nullptr;
    QLabel *budgetLabel = nullptr;
    QSpinBox *budgetBox = nullptr;
    QLabel *healthLabel = nullptr;

Q_SIGNALS:
    // services.ini was written: the main window reads it again.
    void servicesChanged();
    // The 测试 button's answer is shown.
    void tested(bool ok);
    // A saved key reached the keyring, or was kept for this run only and
    // message says so.
    void keyStored(bool inKeyring, const QString &message);

private:
    void buildAccountControls();
    void buildFallbackControls();
    ServiceId current() const;
    void showService();
    void keepTypedFields();
    void showKeyState(ServiceId id);
    void moveFallback(int step);
    void showHealth();
    void test();
    void probe(ServiceId id, const QString &account, const QString &key);

    KeyStore &m_keyStore;
    QNetworkAccessManager *m_network = nullptr;
    QFormLayout *m_form = nullptr;
    ServiceSettings m_loaded;
    ServiceId m_shown = ServiceId::Classic;
    QHash<ServiceId, QString> m_accounts;
    QHash<ServiceId, QString> m_typedKeys;
    // Services whose key this run holds but the keyring refused.
    QSet<ServiceId> m_runOnly;
    int m_transferTimeoutMs = 60000;
};
