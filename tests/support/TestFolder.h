#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test case.
class TestFolder final {
public:
    TestFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const;
    QByteArray read(const QString &relative) const;
    void write(const QString &relative, const QByteArray &bytes) const;
    // A folder that even root cannot write into, or empty when there is none.
    static QString unwritableFolder();

private:
    QTemporaryDir m_dir;
};
