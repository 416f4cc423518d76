#pragma once

#include <QString>

// The hosts that the program talks to. The constants are the real services;
// an optional endpoints.ini (UTF-8) in the program folder, section [hosts],
// overrides any of them. Tests, the demo and a user whose service moved use it.
struct Endpoints final {
    QString trackingService = QStringLiteral("http://www.kuaidi100.com");
    QString defaultSource = QStringLiteral("http://www.kuaidi100.com");
    QString defaultSourceAlternate = QStringLiteral("http://kuaidi100.com");
    QString backupSource1 = QStringLiteral("http://www.ickd.cn");
    QString backupSource2 = QStringLiteral("http://www.kiees.cn");
    QString makerSite = QStringLiteral("http://www.tolvane.com");
    QString updateServer = QStringLiteral("http://www.tolvane.com");
    // The account tracking services (keys kuaidi100, kdniao, 17track).
    QString kuaidi100Service = QStringLiteral("https://poll.kuaidi100.com");
    QString kdniaoService = QStringLiteral("https://api.kdniao.com");
    QString track17Service = QStringLiteral("https://api.17track.net");
    // Section [refresh], key interval_seconds: the background refresh's
    // interval in seconds instead of the setting's hours, so that the demo
    // shows a signing within a minute. 0: the setting decides.
    int refreshSeconds = 0;

    // Read once at start, from the first of the folders that holds
    // endpoints.ini (the data folder, then the program's); keys missing from
    // the file keep their constants.
    static Endpoints load(const QStringList &folders);

    // The program-wide instance, set at start.
    static const Endpoints &current();
    static void setCurrent(const Endpoints &endpoints);
};

// The maker's own details, shown in the About window, the help text and the
// exit question.
namespace Maker {
inline const QString kSiteName = QStringLiteral("Tolvane 官方网站");
inline const QString kName = QStringLiteral("Tolvane 工作室");
inline const QString kContact = QStringLiteral("QQ 800012345");
inline const QString kEmail = QStringLiteral("support@tolvane.com");
} // namespace Maker
