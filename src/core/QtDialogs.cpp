#include "core/QtDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace {
// Messages quote stored values (numbers, imported fields): shown as text,
// never as markup.
QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                                 QMessageBox::StandardButtons buttons, QMessageBox::StandardButton chosen)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(chosen);
    return QMessageBox::StandardButton(box.exec());
}
} // namespace

void QtDialogs::information(QWidget *parent, const QString &title, const QString &text)
{
    show(parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::critical(QWidget *parent, const QString &title, const QString &text)
{
    show(parent, QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::askOkCancel(QWidget *parent, const QString &title, const QString &text)
{
    return show(parent, QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

QString QtDialogs::askPassword(QWidget *parent, const QString &title, const QString &text)
{
    bool ok = false;
    const QString typed = QInputDialog::getText(parent, title, text, QLineEdit::Password, QString(), &ok);
    return ok ? typed : QString();
}

bool QtDialogs::askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    return show(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

namespace {
QString runFileDialog(QWidget *parent, const Dialogs::FileRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.title, request.folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.first());
    if (!request.defaultSuffix.isEmpty()) {
        dialog.setDefaultSuffix(request.defaultSuffix);
        // A name typed without extension gets the one of the chosen type ("*.xlsx"), not always the first.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request](const QString &filter) {
            static const QRegularExpression single(QStringLiteral("\\(\\*\\.(\\w+)\\)$"));
            const QRegularExpressionMatch match = single.match(filter);
            dialog.setDefaultSuffix(match.hasMatch() ? match.captured(1) : request.defaultSuffix);
        });
    }
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
} // namespace

QString QtDialogs::openFile(QWidget *parent, const FileRequest &request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString QtDialogs::saveFile(QWidget *parent, const FileRequest &request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

DesktopLauncher::DesktopLauncher(QString query, Opener open) : m_query(std::move(query)), m_open(std::move(open)) {}

void DesktopLauncher::openUrl(const QString &address)
{
    m_open(QUrl(address));
}

void DesktopLauncher::openFile(const QString &path, QObject *context, std::function<void()> noProgram)
{
    // xdg-open reports success as soon as it starts, whether or not anything
    // opens the file; so the desktop is asked first which program would.
    const QUrl url = QUrl::fromLocalFile(path);
    const Opener open = m_open;
    const auto tell = [noProgram] {
        if (noProgram)
            noProgram();
    };
    auto *query = new QProcess(context);
    QObject *receiver = context ? context : query;
    QObject::connect(query, &QProcess::finished, receiver,
                     [query, open, url, tell](int code, QProcess::ExitStatus status) {
                         const bool associated = status == QProcess::NormalExit && code == 0 &&
                                                 !query->readAllStandardOutput().trimmed().isEmpty();
                         query->deleteLater();
                         if (!associated || !open(url))
                             tell();
                     });
    // Where there is nothing to ask (no xdg-mime), the opener's word is all there is.
    QObject::connect(
        query, &QProcess::errorOccurred, receiver,
        [query, open, url, tell](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            query->deleteLater();
            if (!open(url))
                tell();
        },
        Qt::QueuedConnection);
    query->setStandardErrorFile(QProcess::nullDevice());
    query->start(m_query,
                 {QStringLiteral("query"), QStringLiteral("default"), QMimeDatabase().mimeTypeForFile(path).name()});
}
