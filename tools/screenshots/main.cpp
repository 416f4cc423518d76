// Takes the pictures of the README: the main window after a query, the
// management window, the statistics and the settings, each at its own size,
// over a demo register in a folder whose endpoints.ini points at the local
// tracking service. Run under Xvfb (scripts/screenshots.sh), so that the
// fonts and the embedded page are the real ones.
//
//   tolvane-screenshots DATA_FOLDER OUTPUT_FOLDER [--maximised FILE]
#include "app/MainWindow.h"
#include "app/Provisioning.h"
#include "app/QueryController.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Endpoints.h"
#include "core/QtDialogs.h"
#include "manage/ManagementWindow.h"
#include "manage/StatisticsWindow.h"
#include "query/WebEngineBrowser.h"
#include "settings/ServiceSettingsBox.h"
#include "settings/SettingsDialog.h"

#include "store/CheckHistory.h"
#include "store/RegisterSchema.h"
#include "store/StateHistory.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include <QComboBox>
#include <QLineEdit>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTreeView>

#include <cstdio>
#include <functional>

namespace {

bool waitFor(const char *what, const std::function<bool()> &done, int milliseconds = 60000)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "screenshots: gave up waiting for %s\n", what);
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    return true;
}

// Lets the page and the charts finish painting.
void settle(int milliseconds = 1500)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

// From the screen, not QWidget::grab(): the embedded page is drawn by the
// browser's own process and only the screen holds it.
// The main window's controls are found by object name, their member name.
template <class T> T *child(QObject *root, const char *name)
{
    T *found = root->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

bool save(QWidget *window, const QString &path)
{
    window->raise();
    window->activateWindow();
    settle();
    const QRect frame = window->frameGeometry();
    const QPixmap shot = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "screenshots: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("screenshots: %s (%dx%d)\n", qPrintable(path), shot.width(), shot.height());
    return true;
}

// The settings' 查询服务 box with an account service chosen, scrolled into view.
bool saveServicesBox(SettingsDialog *settings, const QString &path)
{
    ServiceSettingsBox *box = settings->serviceSettingsGroup;
    box->serviceCombo->setCurrentIndex(box->serviceCombo->findText(Services::displayName(ServiceId::Kuaidi100)));
    box->accountEdit->setText(QStringLiteral("tolvane-customer"));
    settle();
    // The whole box, though the dialog shows only part of it at a time.
    const QPixmap shot = box->grab();
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "screenshots: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("screenshots: %s (%dx%d)\n", qPrintable(path), shot.width(), shot.height());
    return true;
}

// A register of a dozen waybills over several carriers and months; the
// tracking service answers by the number's last digit (1 signed for,
// 2 delivered, 0 unknown, others in transit).
void seed(const QString &folder, const QDateTime &now)
{
    struct Row {
        const char *number, *carrier, *goods, *name, *notes;
        int daysAgo;
    };
    static const Row rows[] = {
        {"SF1234567890121", "顺丰速运", "笔记本电脑", "张伟", "公司采购", 3},
        {"YT9876543210113", "圆通快递", "冬季外套", "李娜", "", 5},
        {"ZT7300123456782", "中通速递", "图书三本", "王芳", "教材", 9},
        {"4312345678901231", "韵达快运", "茶叶礼盒", "刘洋", "送客户", 12},
        {"JD0088776655441", "京东物流", "电饭煲", "陈静", "", 20},
        {"DPK360123456781", "德邦物流", "办公椅", "杨磊", "大件", 33},
        {"EA123456789CN", "EMS(E邮宝)", "合同文件", "赵敏", "加急", 40},
        {"JT5000123456786", "极兔速递", "手机壳", "黄强", "", 45},
        {"STO773012345674", "申通E物流", "运动鞋", "周杰", "换货", 62},
        {"TT6601234567891", "天天快递", "保温杯", "吴婷", "", 70},
        {"ZJS012345678902", "宅急送", "显示器", "徐明", "易碎", 95},
        {"CP9912345678905", "中国邮政", "明信片", "孙丽", "", 120},
    };
    StoreConnection store;
    if (!store.open(QDir(folder).filePath(RegisterSchema::fileName())).ok)
        return;
    int phone = 1001;
    for (const Row &r : rows) {
        Waybill w;
        // 顺丰 and 中通 are asked for with the telephone's last four digits.
        w.phone = QStringLiteral("1380013%1").arg(phone++);
        w.number = QString::fromUtf8(r.number);
        w.carrier = QString::fromUtf8(r.carrier);
        w.goods = QString::fromUtf8(r.goods);
        w.name = QString::fromUtf8(r.name);
        w.notes = QString::fromUtf8(r.notes);
        w.time = now.date().addDays(-r.daysAgo).toString(QStringLiteral("yyyy/M/d"));
        if (!Waybills(store).insertFromInputForm(w).ok)
            continue;
        // The older ones were seen signed for long ago: the statistics have days in transit.
        if (r.daysAgo > 30)
            CheckHistory(store).recordCheck({w.number, now.addDays(-r.daysAgo + 3), StateSource::kConcise,
                                             QStringLiteral("已签收，签收人：本人"), true});
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tolvane-screenshots DATA_FOLDER OUTPUT_FOLDER [--maximised FILE]\n");
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();
    const QDir out(args.at(2));
    const qsizetype maximisedAt = args.indexOf(QStringLiteral("--maximised"));
    const QString maximisedFile =
        maximisedAt > 0 && maximisedAt + 1 < args.size() ? args.at(maximisedAt + 1) : QString();

    Endpoints::setCurrent(Endpoints::load({folder}));
    if (!Provisioning::run(folder).outcome.ok)
        return 1;
    seed(folder, Clock::system().now());

    QtDialogs dialogs;
    DesktopLauncher launcher;
    MainWindow window(folder, {dialogs, launcher, Clock::system()}, std::make_unique<WebEngineBrowser>());
    child<ClassicTimer>(&window, "startSelectionTimer")->setEnabled(false);
    window.show();
    window.applyStartSelection(); // at once, not after the start's pause
    bool ok = waitFor("the history", [&] {
        return !window.isHistoryLoading() && child<QTreeView>(&window, "historyView")->model()->rowCount() > 0;
    });

    // A stored-numbers concise query, then the newest waybill picked from the history.
    child<QRadioButton>(&window, "storedNumbersOption")->click();
    child<QPushButton>(&window, "conciseQueryButton")->click();
    ok = ok && waitFor("the query", [&] { return !window.queries().isConciseRunning(); });
    ok = ok && waitFor("the history", [&] { return !window.isHistoryLoading(); });
    Q_EMIT child<QTreeView>(&window, "historyView")
        ->clicked(child<QTreeView>(&window, "historyView")->model()->index(0, 0));
    ok = ok && save(&window, out.filePath(QStringLiteral("main-window.png")));

    window.showManagement();
    ManagementWindow *management = window.managementWindow();
    ok = ok && waitFor("the register", [&] { return management && management->waybillGrid->model()->rowCount() > 0; });
    ok = ok && save(management, out.filePath(QStringLiteral("management.png")));

    management->statisticsButton->click();
    StatisticsWindow *statistics = management->statisticsWindow();
    ok = ok && waitFor("the statistics",
                       [&] { return statistics && !statistics->isReading() && statistics->summary().total > 0; });
    if (statistics)
        statistics->chartTabs->setCurrentIndex(1); // by carrier: a colour each
    ok = ok && save(statistics, out.filePath(QStringLiteral("statistics.png")));
    statistics->hide();
    management->hide();

    window.findChild<QAction *>(QStringLiteral("settingsAction"))->trigger();
    ok = ok && save(window.settingsWindow(), out.filePath(QStringLiteral("settings.png")));
    ok = ok && saveServicesBox(window.settingsWindow(), out.filePath(QStringLiteral("services.png")));
    window.settingsWindow()->hide();

    if (ok && !maximisedFile.isEmpty()) {
        // Without a window manager nothing maximises; the screen's room is given by hand.
        window.showMaximized();
        settle();
        if (window.size() != window.screen()->availableGeometry().size())
            window.setGeometry(window.screen()->availableGeometry());
        ok = save(&window, maximisedFile);
    }
    return ok ? 0 : 1;
}
