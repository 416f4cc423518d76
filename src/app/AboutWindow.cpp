#include "app/AboutWindow.h"

#include "core/Dialogs.h"
#include "core/Endpoints.h"

#include "core/ProgramName.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

AboutWindow::AboutWindow(Launcher &launcher, Dialogs &dialogs, const QString &dataFolder, QWidget *parent)
    : QDialog(parent), m_launcher(launcher)
{
    setObjectName(QStringLiteral("AboutWindow"));
    setWindowTitle(QStringLiteral("关于"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    auto *grid = new QGridLayout(this);
    const QString rows[][2] = {
        {QStringLiteral("版本号："), QStringLiteral("V 3.0")},
        {QStringLiteral("作者："), Maker::kName},
        {QStringLiteral("联系方式："), Maker::kContact},
        {QStringLiteral("数据文件夹："), QDir::toNativeSeparators(dataFolder)},
    };
    int r = 0;
    for (const auto &row : rows) {
        auto *caption = new QLabel(row[0], this);
        auto *value = new QLabel(row[1], this);
        value->setAccessibleDescription(row[0]); // its name is the value it shows
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        grid->addWidget(caption, r, 0);
        grid->addWidget(value, r, 1);
        dataFolderLabel = value;
        ++r;
    }
    dataFolderLabel->setObjectName(QStringLiteral("dataFolderLabel"));
    openDataFolderButton = new QPushButton(QStringLiteral("打开数据文件夹"), this);
    openDataFolderButton->setObjectName(QStringLiteral("openDataFolderButton"));
    openDataFolderButton->setAccessibleName(QStringLiteral("打开数据文件夹"));
    openDataFolderButton->setAutoDefault(false);
    connect(openDataFolderButton, &QPushButton::clicked, this, [this, &dialogs, dataFolder] {
        m_launcher.openFile(dataFolder, this, [this, &dialogs, dataFolder] {
            dialogs.information(this, Program::kTitle,
                                QStringLiteral("没有可以打开文件夹的程序。数据文件夹在：\n%1")
                                    .arg(QDir::toNativeSeparators(dataFolder)));
        });
    });
    grid->addWidget(openDataFolderButton, r++, 0, 1, 2);
    const QString site = Endpoints::current().makerSite;
    makerSiteLabel = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(site.toHtmlEscaped()), this);
    makerSiteLabel->setObjectName(QStringLiteral("makerSiteLabel"));
    makerSiteLabel->setAccessibleDescription(QStringLiteral("网站"));
    makerSiteLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    makerSiteLabel->setFocusPolicy(Qt::StrongFocus);
    connect(makerSiteLabel, &QLabel::linkActivated, this,
            [this](const QString &) { m_launcher.openUrl(Endpoints::current().makerSite); });
    grid->addWidget(makerSiteLabel, r, 0, 1, 2);
    resize(4050 / 15, 2025 / 15);
}
