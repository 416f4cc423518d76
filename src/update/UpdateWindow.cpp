#include "update/UpdateWindow.h"

#include "core/Dialogs.h"
#include "core/Endpoints.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

UpdateWindow::UpdateWindow(const QString &programFolder, Launcher &launcher, QWidget *parent)
    : QDialog(parent), m_programFolder(programFolder), m_launcher(launcher), m_check(new UpdateCheck(this))
{
    build();
    Label1->setText(QStringLiteral("正在检查更新……"));
    // Until the answer comes the user can still leave with "欢迎继续使用".
    Command1->hide();
    Command2->show();
    m_check->start(m_programFolder);
}

UpdateWindow::UpdateWindow(const QString &programFolder, Launcher &launcher, const UpdateResult &known, QWidget *parent)
    : QDialog(parent), m_programFolder(programFolder), m_launcher(launcher), m_check(new UpdateCheck(this))
{
    build();
    showResult(known);
}

QString UpdateWindow::packageAddress()
{
    return Endpoints::current().updateServer + QStringLiteral("/update/tolvane.zip");
}

void UpdateWindow::build()
{
    setObjectName(QStringLiteral("UpdateWindow"));
    setWindowTitle(QStringLiteral("更新"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(278, 94);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    Label1->setToolTip(QStringLiteral("更新检查的结果"));
    Label1->setAccessibleName(Label1->toolTip());

    // Both buttons share one place; only one is ever shown.
    Command1 = new QPushButton(QStringLiteral("点击下载"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("欢迎继续使用"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 1);
    layout->addWidget(Command1);
    layout->addWidget(Command2);

    connect(Command1, &QPushButton::clicked, this, &UpdateWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &UpdateWindow::Command2_Click);
    connect(m_check, &UpdateCheck::finished, this, &UpdateWindow::showResult);
}

void UpdateWindow::showResult(const UpdateResult &result)
{
    m_result = result;
    switch (result.kind) {
    case UpdateResult::Differ:
        Label1->setText(QStringLiteral("程序有更新！"));
        Command2->hide();
        Command1->show();
        Command1->setDefault(true);
        break;
    case UpdateResult::Same:
        Label1->setText(QStringLiteral("程序无更新！"));
        Command1->hide();
        Command2->show();
        break;
    case UpdateResult::Failed:
        Label1->setText(QStringLiteral("检查更新失败：%1").arg(result.error));
        Command1->hide();
        Command2->show();
        break;
    }
    if (result.kind != UpdateResult::Differ)
        Command2->setDefault(true);
    Q_EMIT checked(result);
}

void UpdateWindow::Command1_Click()
{
    m_launcher.openUrl(packageAddress());
    hide();
}

void UpdateWindow::Command2_Click()
{
    hide();
}
