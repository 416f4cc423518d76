#pragma once

#include "app/MainWindow.h"
#include "app/Provisioning.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/GbkText.h"
#include "settings/AppSettings.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/FakeBrowser.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"

#include <QListWidget>
#include <QRadioButton>
#include <QTreeView>
#include <QtTest>

#include <memory>

// A main window over a fresh program folder, with fakes for everything
// outside it. The start-up selection is run by hand, not by its timer.
inline QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// A control of the window by its object name (each one's is its member name);
// a missing one ends the test, as a renamed control must not pass silently.
template <class T> T *child(QObject *root, const QString &name)
{
    T *found = root ? root->findChild<T *>(name) : nullptr;
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return found;
}
template <class T> T *child(QObject *root, const char *name)
{
    return child<T>(root, QString::fromLatin1(name));
}
template <class T, class W> T *child(const std::unique_ptr<W> &root, const char *name)
{
    return child<T>(root.get(), QString::fromLatin1(name));
}
// The carrier option buttons, 0 to 11.
template <class W> QRadioButton *carrierOption(W &&root, int i)
{
    return child<QRadioButton>(&*root, QStringLiteral("carrierOptions[%1]").arg(i));
}

struct Harness {
    TestFolder folder;
    FakeDialogs dialogs;
    FakeLauncher launcher;
    FixedClock clock{QDateTime(QDate(2026, 12, 7), QTime(9, 30))};
    FakeBrowser *browser = nullptr;
    std::unique_ptr<MainWindow> window;
    bool quit = false;

    explicit Harness(const QByteArray &configIni = QByteArray(), const QStringList &stored = {})
    {
        if (!Provisioning::run(folder.path()).outcome.ok)
            qFatal("provisioning failed");
        if (!configIni.isEmpty())
            folder.write(QStringLiteral("config.ini"), configIni);
        if (!stored.isEmpty()) {
            StoreConnection store;
            store.open(folder.file(QStringLiteral("kd.db")));
            for (const QString &entry : stored) {
                Waybill w;
                w.number = entry.section(QLatin1Char('|'), 0, 0);
                w.carrier = entry.section(QLatin1Char('|'), 1, 1);
                w.phone = QStringLiteral("13800138000"); // 顺丰 and 中通 are asked for with its last digits
                Waybills(store).insertFromInputForm(w);
            }
        }
        open();
    }

    // A new main window on the same folder, as at the next start.
    void open()
    {
        window.reset();
        auto fake = std::make_unique<FakeBrowser>();
        browser = fake.get();
        window = std::make_unique<MainWindow>(folder.path(), MainWindow::Services{dialogs, launcher, clock},
                                              std::move(fake));
        child<ClassicTimer>(window, "startSelectionTimer")->setEnabled(false);
        window->setQuitHandler([this] { quit = true; });
        window->show();
    }

    // Runs the start-up selection and waits for the history list.
    void startUp()
    {
        window->applyStartSelection();
        QTRY_VERIFY_WITH_TIMEOUT(!window->isHistoryLoading(), 30000);
    }

    static QByteArray config(const QString &body) { return GbkText::encode(QStringLiteral("[设置]\r\n") + body); }

    QString setting(const QString &key) const { return AppSettings::read(folder.path(), key); }
    int checkedButton() const
    {
        for (int i = 0; i < 12; ++i)
            if (carrierOption(window, i)->isChecked())
                return i + 1;
        return 0;
    }
    QString selectedListEntry() const
    {
        const auto items = child<QListWidget>(window, "otherCarriersList")->selectedItems();
        return items.isEmpty() ? QString() : items.first()->text();
    }
    int historyRowOf(const QString &number) const
    {
        auto *model = child<QTreeView>(window, "historyView")->model();
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, 2).data().toString() == number)
                return r;
        return -1;
    }
    void pickHistory(const QString &number)
    {
        const int row = historyRowOf(number);
        QVERIFY(row >= 0);
        QTreeView *view = child<QTreeView>(window, "historyView");
        const QModelIndex index = view->model()->index(row, 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
};
