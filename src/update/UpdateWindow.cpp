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
    resultLabel->setText(QStringLiteral("正在检查更新……"));
    // Until the answer comes the user can still leave with "欢迎继续使用".
    downloadButton->hide();
    continueButton->show();
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

    resultLabel = new QLabel(this);
    resultLabel->setObjectName(QStringLiteral("resultLabel"));
    resultLabel->setAlignment(Qt::AlignCenter);
    resultLabel->setWordWrap(true);
    resultLabel->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    resultLabel->setToolTip(QStringLiteral("更新检查的结果"));
    // Its name is the result it shows; the caption only describes it.
    resultLabel->setAccessibleDescription(resultLabel->toolTip());

    // Both buttons share one place; only one is ever shown.
    downloadButton = new QPushButton(QStringLiteral("点击下载"), this);
    downloadButton->setObjectName(QStringLiteral("downloadButton"));
    continueButton = new QPushButton(QStringLiteral("欢迎继续使用"), this);
    continueButton->setObjectName(QStringLiteral("continueButton"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(resultLabel, 1);
    layout->addWidget(downloadButton);
    layout->addWidget(continueButton);

    connect(downloadButton, &QPushButton::clicked, this, &UpdateWindow::download);
    connect(continueButton, &QPushButton::clicked, this, &UpdateWindow::dismiss);
    connect(m_check, &UpdateCheck::finished, this, &UpdateWindow::showResult);
}

void UpdateWindow::showResult(const UpdateResult &result)
{
    m_result = result;
    switch (result.kind) {
    case UpdateResult::Newer:
        resultLabel->setText(QStringLiteral("程序有更新！"));
        continueButton->hide();
        downloadButton->show();
        downloadButton->setDefault(true);
        break;
    case UpdateResult::NotNewer:
        resultLabel->setText(QStringLiteral("程序无更新！"));
        downloadButton->hide();
        continueButton->show();
        break;
    case UpdateResult::Failed:
        resultLabel->setText(QStringLiteral("检查更新失败：%1").arg(result.error));
        downloadButton->hide();
        continueButton->show();
        break;
    }
    if (result.kind != UpdateResult::Newer)
        continueButton->setDefault(true);
    Q_EMIT checked(result);
}

void UpdateWindow::download()
{
    m_launcher.openUrl(packageAddress());
    hide();
}

void UpdateWindow::dismiss()
{
    hide();
}
