#include "settings/ServiceSettingsBox.h"
#include "services/ServiceCall.h"

#include "services/KeyStore.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString kStoredPlaceholder = QStringLiteral("已保存在系统密钥环");
const QString kRunOnlyPlaceholder = QStringLiteral("只保留到本次退出");
constexpr int kMaxBudget = 100000;

QLabel *buddyLabel(QWidget *parent, QWidget *buddy, const QString &text, const char *name)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

} // namespace

ServiceSettingsBox::ServiceSettingsBox(KeyStore &keyStore, QWidget *parent)
    : QGroupBox(QStringLiteral("查询服务"), parent), m_keyStore(keyStore), m_network(new QNetworkAccessManager(this))
{
    // Created in the order Tab visits them.
    buildAccountControls();
    buildFallbackControls();

    healthLabel = new QLabel(this);
    healthLabel->setObjectName(QStringLiteral("healthLabel"));
    healthLabel->setWordWrap(true);
    healthLabel->setAccessibleDescription(QStringLiteral("各查询服务的状态"));
    healthLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_form = new QFormLayout(this);
    m_form->addRow(serviceLabel, serviceCombo);
    m_form->addRow(accountLabel, accountEdit);
    m_form->addRow(keyLabel, keyEdit);
    m_form->addRow(testButton, testResultLabel);
    m_form->addRow(keyStatusLabel);
    m_form->addRow(budgetLabel, budgetBox);
    auto *moves = new QVBoxLayout;
    moves->addWidget(moveUpButton);
    moves->addWidget(moveDownButton);
    moves->addStretch(1);
    auto *fallbackRow = new QHBoxLayout;
    fallbackRow->addWidget(fallbackList, 1);
    fallbackRow->addLayout(moves);
    m_form->addRow(fallbackLabel, fallbackRow);
    m_form->addRow(healthLabel);

    connect(serviceCombo, &QComboBox::currentIndexChanged, this, [this] {
        keepTypedFields();
        showService();
        showHealth();
    });
    connect(testButton, &QPushButton::clicked, this, &ServiceSettingsBox::test);
    connect(moveUpButton, &QPushButton::clicked, this, [this] { moveFallback(-1); });
    connect(moveDownButton, &QPushButton::clicked, this, [this] { moveFallback(1); });
    connect(fallbackList, &QListWidget::itemChanged, this, &ServiceSettingsBox::showHealth);
    showService();
}

void ServiceSettingsBox::buildAccountControls()
{
    serviceCombo = new QComboBox(this);
    serviceCombo->setObjectName(QStringLiteral("serviceCombo"));
    serviceCombo->setAccessibleName(QStringLiteral("查询服务"));
    for (ServiceId id : Services::all())
        serviceCombo->addItem(Services::displayName(id), int(id));
    serviceLabel = buddyLabel(this, serviceCombo, QStringLiteral("查询服务："), "serviceLabel");

    accountEdit = new QLineEdit(this);
    accountEdit->setObjectName(QStringLiteral("accountEdit"));
    accountLabel = buddyLabel(this, accountEdit, QString(), "accountLabel");

    keyEdit = new QLineEdit(this);
    keyEdit->setObjectName(QStringLiteral("keyEdit"));
    keyEdit->setEchoMode(QLineEdit::Password);
    keyEdit->setToolTip(QStringLiteral("保存在系统密钥环中，不写入任何文件；保存后不再显示"));
    keyLabel = buddyLabel(this, keyEdit, QString(), "keyLabel");

    testButton = new QPushButton(QStringLiteral("测试"), this);
    testButton->setObjectName(QStringLiteral("testButton"));
    testButton->setAccessibleName(QStringLiteral("测试查询服务"));
    testButton->setToolTip(QStringLiteral("用填写的账号和密钥向服务查询一次（计入额度）"));
    testResultLabel = new QLabel(this);
    testResultLabel->setObjectName(QStringLiteral("testResultLabel"));
    testResultLabel->setWordWrap(true);
    testResultLabel->setAccessibleDescription(QStringLiteral("测试结果"));
    testResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    keyStatusLabel = new QLabel(this);
    keyStatusLabel->setObjectName(QStringLiteral("keyStatusLabel"));
    keyStatusLabel->setWordWrap(true);
    keyStatusLabel->setStyleSheet(QStringLiteral("color: #c62828;"));
    keyStatusLabel->setAccessibleDescription(QStringLiteral("密钥保存情况"));
    keyStatusLabel->hide();
}

void ServiceSettingsBox::buildFallbackControls()
{
    budgetBox = new QSpinBox(this);
    budgetBox->setObjectName(QStringLiteral("budgetBox"));
    budgetBox->setAccessibleName(QStringLiteral("后台刷新每日上限"));
    budgetBox->setRange(0, kMaxBudget);
    budgetBox->setSpecialValueText(QStringLiteral("默认"));
    budgetBox->setSuffix(QStringLiteral(" 次"));
    budgetLabel = buddyLabel(this, budgetBox, QStringLiteral("后台刷新每日上限："), "budgetLabel");

    fallbackList = new QListWidget(this);
    fallbackList->setObjectName(QStringLiteral("fallbackList"));
    fallbackList->setAccessibleName(QStringLiteral("备用服务顺序"));
    fallbackList->setToolTip(QStringLiteral("所选服务连续失败时，依次改用勾选的服务"));
    // Room for the four services, from the font: the list is still empty here.
    fallbackList->setFixedHeight(fallbackList->fontMetrics().height() * 5 + 2 * fallbackList->frameWidth() + 8);
    fallbackLabel = buddyLabel(this, fallbackList, QStringLiteral("备用顺序："), "fallbackLabel");
    moveUpButton = new QPushButton(QStringLiteral("上移"), this);
    moveUpButton->setObjectName(QStringLiteral("moveUpButton"));
    moveUpButton->setAccessibleName(QStringLiteral("上移备用服务"));
    moveDownButton = new QPushButton(QStringLiteral("下移"), this);
    moveDownButton->setObjectName(QStringLiteral("moveDownButton"));
    moveDownButton->setAccessibleName(QStringLiteral("下移备用服务"));
}

ServiceId ServiceSettingsBox::current() const
{
    return ServiceId(serviceCombo->currentData().toInt());
}

void ServiceSettingsBox::load(const QString &programFolder)
{
    m_loaded = ServiceSettings::load(programFolder);
    m_accounts = m_loaded.accounts;
    m_typedKeys.clear();

    const QSignalBlocker quiet(fallbackList);
    fallbackList->clear();
    QList<ServiceId> order = m_loaded.fallbackOrder;
    for (ServiceId id : Services::all())
        if (!order.contains(id))
            order << id;
    for (ServiceId id : order) {
        auto *item = new QListWidgetItem(Services::displayName(id), fallbackList);
        item->setData(Qt::UserRole, int(id));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(m_loaded.fallbackOrder.contains(id) ? Qt::Checked : Qt::Unchecked);
    }
    fallbackList->setCurrentRow(0);
    budgetBox->setValue(m_loaded.dailyBudget);

    {
        // What the fields held before belongs to no service of the file.
        const QSignalBlocker still(serviceCombo);
        serviceCombo->setCurrentIndex(serviceCombo->findData(int(m_loaded.chosen)));
    }
    showService();
    showHealth();
}

// The fields show one service at a time; what was typed for the others waits here.
void ServiceSettingsBox::keepTypedFields()
{
    if (!Services::accountLabel(m_shown).isEmpty())
        m_accounts.insert(m_shown, accountEdit->text().trimmed());
    if (Services::needsKey(m_shown))
        m_typedKeys.insert(m_shown, keyEdit->text());
}

void ServiceSettingsBox::showService()
{
    const ServiceId id = current();
    m_shown = id;
    const QString account = Services::accountLabel(id);
    accountLabel->setText(account + QStringLiteral("："));
    accountEdit->setAccessibleName(QStringLiteral("账号 %1").arg(account));
    accountEdit->setText(m_accounts.value(id));
    m_form->setRowVisible(accountEdit, !account.isEmpty());

    const QString key = Services::keyLabel(id);
    keyLabel->setText(key + QStringLiteral("："));
    keyEdit->setAccessibleName(QStringLiteral("密钥 %1").arg(key));
    keyEdit->setText(m_typedKeys.value(id));
    m_form->setRowVisible(keyEdit, Services::needsKey(id));
    testResultLabel->clear();
    budgetBox->setToolTip(QStringLiteral("0 为默认：本服务每日 %1 次").arg(ServiceSettings().budgetFor(id)));
    showKeyState(id);
}

void ServiceSettingsBox::showKeyState(ServiceId id)
{
    keyEdit->setPlaceholderText(QString());
    if (!Services::needsKey(id))
        return;
    if (m_runOnly.contains(id)) {
        keyEdit->setPlaceholderText(kRunOnlyPlaceholder);
        return;
    }
    const QPointer<ServiceSettingsBox> guard(this);
    m_keyStore.read(id, [guard, id](const QString &key) {
        if (guard && guard->current() == id && !guard->m_runOnly.contains(id))
            guard->keyEdit->setPlaceholderText(key.isEmpty() ? QString() : kStoredPlaceholder);
    });
}

void ServiceSettingsBox::moveFallback(int step)
{
    const int row = fallbackList->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= fallbackList->count())
        return;
    QListWidgetItem *item = fallbackList->takeItem(row);
    fallbackList->insertItem(target, item);
    fallbackList->setCurrentRow(target);
    showHealth();
}

// One line for the chosen service and one for each it may move on to.
void ServiceSettingsBox::showHealth()
{
    const ServiceSettings now = settings();
    QList<ServiceId> shown{now.chosen};
    for (ServiceId id : now.fallbackOrder)
        if (!shown.contains(id))
            shown << id;
    QStringList lines;
    for (ServiceId id : shown)
        lines << m_loaded.health.summary(id);
    healthLabel->setText(lines.join(QLatin1Char('\n')));
}

ServiceSettings ServiceSettingsBox::settings() const
{
    ServiceSettings out = m_loaded;
    out.chosen = current();
    out.accounts = m_accounts;
    if (!Services::accountLabel(m_shown).isEmpty())
        out.accounts.insert(m_shown, accountEdit->text().trimmed());
    for (auto it = out.accounts.begin(); it != out.accounts.end();)
        it = it.value().isEmpty() ? out.accounts.erase(it) : std::next(it);
    out.fallbackOrder.clear();
    for (int row = 0; row < fallbackList->count(); ++row) {
        const QListWidgetItem *item = fallbackList->item(row);
        if (item->checkState() == Qt::Checked)
            out.fallbackOrder << ServiceId(item->data(Qt::UserRole).toInt());
    }
    out.dailyBudget = budgetBox->value();
    return out;
}

QStringList ServiceSettingsBox::save(const QString &programFolder)
{
    keepTypedFields();
    // The health is the passes' to write: the file's, not the one loaded with the dialog.
    ServiceSettings wanted = settings();
    wanted.health = ServiceSettings::load(programFolder).health;
    QString error;
    if (!wanted.save(programFolder, &error))
        return {error};
    m_loaded = wanted;

    for (auto it = m_typedKeys.cbegin(); it != m_typedKeys.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        const ServiceId id = it.key();
        const QPointer<ServiceSettingsBox> guard(this);
        m_keyStore.write(id, it.value(), [guard, id](bool inKeyring, const QString &message) {
            if (!guard)
                return;
            if (inKeyring)
                guard->m_runOnly.remove(id);
            else
                guard->m_runOnly.insert(id);
            if (!inKeyring) {
                guard->keyStatusLabel->setText(message);
                guard->keyStatusLabel->show();
            } else if (guard->m_runOnly.isEmpty()) {
                guard->keyStatusLabel->clear();
                guard->keyStatusLabel->hide();
            }
            if (guard->current() == id)
                guard->showKeyState(id);
            Q_EMIT guard->keyStored(inKeyring, message);
        });
    }
    // A key typed is never shown again, not even to the next opening.
    m_typedKeys.clear();
    keyEdit->clear();
    showHealth();
    Q_EMIT servicesChanged();
    return {};
}

void ServiceSettingsBox::test()
{
    keepTypedFields();
    const ServiceId id = current();
    const QString account = m_accounts.value(id);
    const QString typed = m_typedKeys.value(id);
    testButton->setEnabled(false);
    testResultLabel->setText(QStringLiteral("正在测试…"));
    if (!Services::needsKey(id) || !typed.isEmpty()) {
        probe(id, account, typed);
        return;
    }
    const QPointer<ServiceSettingsBox> guard(this);
    m_keyStore.read(id, [guard, id, account](const QString &key) {
        if (guard)
            guard->probe(id, account, key);
    });
}

void ServiceSettingsBox::probe(ServiceId id, const QString &account, const QString &key)
{
    const auto finish = [this](bool ok, const QString &text) {
        testResultLabel->setText(text);
        testButton->setEnabled(true);
        Q_EMIT tested(ok);
    };
    const Credentials credentials{account, key};
    if (!credentials.isComplete(id)) {
        const QString account = Services::accountLabel(id);
        finish(false, account.isEmpty() || !credentials.account.trimmed().isEmpty()
                          ? QStringLiteral("请先填写 %1。").arg(Services::keyLabel(id))
                          : QStringLiteral("请先填写 %1 和 %2。").arg(account, Services::keyLabel(id)));
        return;
    }
    std::shared_ptr<TrackingProtocol> protocol = MakeProtocol(id);
    if (!protocol) {
        finish(false, QStringLiteral("%1暂不可用。").arg(Services::displayName(id)));
        return;
    }
    const HttpCall call = protocol->probe(credentials);
    if (Services::needsKey(id) && !IsSafeServiceUrl(call.url)) {
        finish(false, QStringLiteral("未发送：%1 不是加密地址（https），密钥不能明文发送。").arg(call.url.host()));
        return;
    }
    QNetworkReply *reply = SendServiceCall(*m_network, call, m_transferTimeoutMs);
    connect(reply, &QNetworkReply::finished, this, [reply, protocol, finish] {
        reply->deleteLater();
        // The protocol's text names the service before the failure.
        const ProbeResult result = protocol->parseProbe(ServiceAnswerOf(reply, protocol->id()));
        finish(result.ok, result.text);
    });
}
