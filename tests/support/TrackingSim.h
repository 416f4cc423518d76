#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QProcess>
#include <QString>

// The local tracking service, started for one test case and killed with it.
class TrackingSim final {
public:
    // Arguments are separated by blanks, e.g. "--fault status500 --fault-number 5003".
    explicit TrackingSim(const QString &program, const char *arguments = "");
    ~TrackingSim();

    bool isListening() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString baseUrl() const;
    // What the server wrote before it listened or failed, for test messages.
    QByteArray output() const { return m_output; }

    // Points every host the program uses at base (tracking, sources, updates).
    static void pointHostsAt(const QString &base);
    void serveAllHosts() const { pointHostsAt(baseUrl()); }

    struct Reply {
        int status = 0; // 0 when no answer came
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QByteArray body;
    };
    // A GET waiting at most waitMs for its transfer.
    Reply get(const QString &path, int waitMs = 60000) const;
    // A POST, as the account services are asked; headers are name, value pairs.
    Reply post(const QString &path, const QByteArray &body, const QByteArray &contentType,
               const QList<QPair<QByteArray, QByteArray>> &headers = {}, int waitMs = 60000) const;

private:
    Reply wait(QNetworkReply *reply) const;

    QProcess m_process;
    QByteArray m_output;
    quint16 m_port = 0;
};
