#include "settings/RegisterLocationBox.h"

#include "core/BackgroundTask.h"
#include "settings/RegisterLocation.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

// sslmode as libpq takes it; the first lets libpq negotiate.
const QVector<QPair<QString, QString>> kSslModes{{QStringLiteral("默认"), QString()},
                                                 {QStringLiteral("disable"), QStringLiteral("disable")},
                                                 {QStringLiteral("require"), QStringLiteral("require")},
                                                 {QStringLiteral("verify-full"), QStringLiteral("verify-full")}};

bool sameLocation(const StoreLocation &a, const StoreLocation &b)
{
    if (a.onServer != b.onServer)
        return false;
    if (!a.onServer)
        return true;
    return a.server.host == b.server.host && a.server.port == b.server.port && a.server.database == b.server.database &&
           a.server.user == b.server.user && a.server.sslmode == b.server.sslmode &&
           a.server.service == b.server.service;
}

} // namespace

RegisterLocationBox::RegisterLocationBox(QWidget *parent)
    : QGroupBox(QStringLiteral("登记簿位置"), parent), m_task(new BackgroundTask(this))
{
    localChoice = new QRadioButton(QStringLiteral("本机（kd.db）"), this);
    localChoice->setObjectName(QStringLiteral("localChoice"));
    localChoice->setAccessibleName(QStringLiteral("登记簿在本机（kd.db）"));
    localChoice->setChecked(true);
    serverChoice = new QRadioButton(QStringLiteral("PostgreSQL 服务器"), this);
    serverChoice->setObjectName(QStringLiteral("serverChoice"));
    serverChoice->setAccessibleName(QStringLiteral("登记簿在 PostgreSQL 服务器"));
    serverChoice->setToolTip(QStringLiteral("几台电脑共用一个登记簿"));
    auto *choices = new QButtonGroup(this);
    choices->addButton(localChoice);
    choices->addButton(serverChoice);

    auto *form = new QFormLayout(this);
    form->addRow(localChoice);
    form->addRow(serverChoice);
    buildServerFields(form);
    testButton = new QPushButton(QStringLiteral("测试连接"), this);
    testButton->setObjectName(QStringLiteral("testButton"));
    testButton->setAccessibleName(testButton->text());
    form->addRow(testButton);
    m_serverFields << testButton;
    testResultLabel = new QLabel(this);
    testResultLabel->setObjectName(QStringLiteral("testResultLabel"));
    testResultLabel->setWordWrap(true);
    testResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    form->addRow(testResultLabel);
    // Moving a register is done once, when a shop starts sharing one (or keeps a copy).
    copyToServerButton = new QPushButton(QStringLiteral("复制本机登记簿到服务器"), this);
    copyToServerButton->setObjectName(QStringLiteral("copyToServerButton"));
    copyToServerButton->setAccessibleName(copyToServerButton->text());
    copyFromServerButton = new QPushButton(QStringLiteral("复制服务器登记簿到本机文件"), this);
    copyFromServerButton->setObjectName(QStringLiteral("copyFromServerButton"));
    copyFromServerButton->setAccessibleName(copyFromServerButton->text());
    auto *copies = new QHBoxLayout;
    copies->addWidget(copyToServerButton);
    copies->addWidget(copyFromServerButton);
    form->addRow(copies);
    m_serverFields << copyToServerButton << copyFromServerButton;
    const auto asked = [this](bool toServer) {
        const ServerLocation server = location().server;
        if (server.database.isEmpty() && server.service.isEmpty()) {
            testResultLabel->setText(QStringLiteral("请填写数据库名（或服务名）。"));
            return;
        }
        if (toServer)
            Q_EMIT copyToServerAsked(StoreLocation(QDir(m_programFolder).filePath(RegisterSchema::fileName())), server);
        else
            Q_EMIT copyFromServerAsked(server);
    };
    connect(copyToServerButton, &QPushButton::clicked, this, [asked] { asked(true); });
    connect(copyFromServerButton, &QPushButton::clicked, this, [asked] { asked(false); });

    connect(serverChoice, &QRadioButton::toggled, this, &RegisterLocationBox::enableServerFields);
    connect(testButton, &QPushButton::clicked, this, &RegisterLocationBox::test);
    enableServerFields();
}

void RegisterLocationBox::buildServerFields(QFormLayout *form)
{
    const auto field = [this, form](QWidget *box, const char *name, const char *caption, const char *tip) {
        box->setObjectName(QString::fromLatin1(name));
        auto *label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(box);
        box->setAccessibleName(label->text().chopped(1));
        if (tip)
            box->setToolTip(QString::fromUtf8(tip));
        form->addRow(label, box);
        m_serverFields << box << label;
    };
    hostEdit = new QLineEdit(this);
    field(hostEdit, "hostEdit", "地址：", "服务器的名字或 IP 地址");
    portBox = new QSpinBox(this);
    portBox->setRange(1, 65535);
    portBox->setValue(5432);
    field(portBox, "portBox", "端口：", nullptr);
    databaseEdit = new QLineEdit(this);
    field(databaseEdit, "databaseEdit", "数据库：", nullptr);
    userEdit = new QLineEdit(this);
    field(userEdit, "userEdit", "用户：", nullptr);
    serviceEdit = new QLineEdit(this);
    field(serviceEdit, "serviceEdit", "服务名：", "pg_service.conf 中的服务名，可不填");
    sslModeCombo = new QComboBox(this);
    for (const auto &[caption, mode] : kSslModes)
        sslModeCombo->addItem(caption, mode);
    field(sslModeCombo, "sslModeCombo", "加密方式：", "sslmode；“默认”由 libpq 协商");
    passwordEdit = new QLineEdit(this);
    passwordEdit->setEchoMode(QLineEdit::Password);
    field(passwordEdit, "passwordEdit", "密码：", "只在本次运行中使用，不会保存；也可写入 ~/.pgpass");
}

void RegisterLocationBox::enableServerFields()
{
    for (QWidget *widget : std::as_const(m_serverFields))
        widget->setEnabled(serverChoice->isChecked());
}

void RegisterLocationBox::load(const QString &programFolder)
{
    m_programFolder = programFolder;
    m_loaded = RegisterLocation::read(programFolder);
    // The server's keys are shown even while kd.db is chosen: switching back finds them.
    const ServerLocation server = RegisterLocation::readServer(programFolder);
    hostEdit->setText(server.host);
    portBox->setValue(server.port);
    databaseEdit->setText(server.database);
    userEdit->setText(server.user);
    serviceEdit->setText(server.service);
    passwordEdit->setText(server.password);
    const int mode = sslModeCombo->findData(server.sslmode);
    sslModeCombo->setCurrentIndex(mode >= 0 ? mode : 0);
    (m_loaded.onServer ? serverChoice : localChoice)->setChecked(true);
}

StoreLocation RegisterLocationBox::location() const
{
    if (!serverChoice->isChecked())
        return StoreLocation(QDir(m_programFolder).filePath(RegisterSchema::fileName()));
    ServerLocation server;
    server.host = hostEdit->text().trimmed();
    server.port = portBox->value();
    server.database = databaseEdit->text().trimmed();
    server.user = userEdit->text().trimmed();
    server.service = serviceEdit->text().trimmed();
    server.sslmode = sslModeCombo->currentData().toString();
    server.password = passwordEdit->text();
    return StoreLocation(server);
}

bool RegisterLocationBox::changed() const
{
    return !sameLocation(location(), m_loaded);
}

void RegisterLocationBox::addTo(AppSettings::Changes &changes) const
{
    const StoreLocation where = location();
    RegisterLocation::apply(changes, where);
    if (where.onServer)
        RegisterLocation::rememberPassword(where.server);
}

void RegisterLocationBox::test()
{
    const ServerLocation server = location().server;
    if (server.database.isEmpty() && server.service.isEmpty()) {
        testResultLabel->setText(QStringLiteral("请填写数据库名（或服务名）。"));
        Q_EMIT tested(false);
        return;
    }
    testButton->setEnabled(false);
    testResultLabel->setText(QStringLiteral("正在连接 %1…").arg(server.display()));
    struct Verdict {
        Outcome outcome;
        QString found;
    };
    m_task->run<Verdict>(
        [server](const BackgroundTask::KeepGoing &) {
            Verdict verdict;
            StoreConnection store;
            verdict.outcome = store.probe(server, &verdict.found);
            return verdict;
        },
        [this](const Verdict &verdict) {
            testButton->setEnabled(serverChoice->isChecked());
            if (verdict.outcome) {
                testResultLabel->setText(QStringLiteral("连接成功。") + verdict.found);
            } else {
                testResultLabel->setText(verdict.outcome.error);
                // Asked once, where the user is: the field then holds it for this run.
                if (verdict.outcome.error.contains(StoreConnection::kPasswordNeeded))
                    passwordEdit->setFocus();
            }
            Q_EMIT tested(verdict.outcome.ok);
        });
}
