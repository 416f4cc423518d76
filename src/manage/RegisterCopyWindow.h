#pragma once

#include "store/StoreDialect.h"

#include <QDialog>

#include <atomic>
#include <memory>

class BackgroundTask;
class QLabel;
class QProgressBar;
class QPushButton;

// Copies the whole register from kd.db to an empty server database, or from
// the server to a new kd.db, on a worker, with its progress and a count at the
// end. A cancelled or failed copy leaves the target as it was.
class RegisterCopyWindow final : public QDialog {
    Q_OBJECT
public:
    RegisterCopyWindow(const StoreLocation &source, const StoreLocation &target, QWidget *parent = nullptr);
    ~RegisterCopyWindow() override;

    QLabel *routeLabel = nullptr; // from where to where
    QProgressBar *progressBar = nullptr;
    QLabel *resultLabel = nullptr;       // the count, or why it failed
    QPushButton *startButton = nullptr;  // 开始复制
    QPushButton *cancelButton = nullptr; // 取消: stops a running copy
    QPushButton *closeButton = nullptr;  // 关闭

    void start();
    void cancel();
    bool isCopying() const { return m_copying; }

Q_SIGNALS:
    // The copy ended; ok when everything was written.
    void finished(bool ok);

protected:
    void reject() override;

private:
    void setCopying(bool copying);

    StoreLocation m_source;
    StoreLocation m_target;
    BackgroundTask *m_task = nullptr;
    std::shared_ptr<std::atomic_bool> m_cancel;
    bool m_copying = false;
};
