#include "carriers/CarrierCatalogue.h"

#include "core/Endpoints.h"

namespace DataSources {

QString configValue(DataSource source)
{
    switch (source) {
    case DataSource::Default:
        return QStringLiteral("mrly");
    case DataSource::Backup1:
        return QStringLiteral("byly1");
    case DataSource::Backup2:
        return QStringLiteral("byly2");
    case DataSource::None:
        break;
    }
    return QString();
}

DataSource fromConfigValue(const QString &value)
{
    if (value == QLatin1String("mrly"))
        return DataSource::Default;
    if (value == QLatin1String("byly1"))
        return DataSource::Backup1;
    if (value == QLatin1String("byly2"))
        return DataSource::Backup2;
    return DataSource::None;
}

} // namespace DataSources

namespace {

using C = Carrier::Control;

Carrier row(int number, const char *name, C control, int index, const char *tooltip, const char *config,
            const char *api, const char *defaultSlug, const char *backup1Slug, const char *backup2Slug,
            const char *hotline, const char *homePage, bool needsPhoneDigits = false)
{
    Carrier c;
    c.row = number;
    c.name = QString::fromUtf8(name);
    c.control = control;
    c.controlIndex = index;
    c.tooltip = QString::fromUtf8(tooltip);
    c.configCode = QString::fromUtf8(config);
    c.apiCode = QString::fromUtf8(api);
    if (*defaultSlug)
        c.defaultPage = QStringLiteral("/all/%1.shtml").arg(QString::fromUtf8(defaultSlug));
    if (*backup1Slug)
        c.backup1Page = QStringLiteral("/%1.html").arg(QString::fromUtf8(backup1Slug));
    if (*backup2Slug)
        c.backup2Page = QStringLiteral("/index.html?types=%1").arg(QString::fromUtf8(backup2Slug));
    c.hotline = QString::fromUtf8(hotline);
    c.homePage = QString::fromUtf8(homePage);
    c.needsPhoneDigits = needsPhoneDigits;
    return c;
}

QVector<Carrier> buildCatalogue()
{
    return {
        row(1, "EMS(E邮宝)", C::Button, 0, "EMS快递&E邮宝", "EMS", "ems", "ems", "ems", "ems", "11185",
            "http://www.ems.com.cn"),
        row(2, "顺丰速运", C::Button, 1, "顺丰速递", "sf", "shunfeng", "sf", "sf", "sf", "4008-111-111",
            "http://www.sf-express.com", true),
        row(3, "申通E物流", C::Button, 2, "申通快递", "sto", "shentong", "st", "sto", "sto", "0571-82122222",
            "http://www.sto.cn"),
        row(4, "圆通快递", C::Button, 3, "圆通快递", "yto", "yuantong", "yt", "yto", "yto", "021-69777888/999",
            "http://www.yto.net.cn"),
        row(5, "韵达快运", C::Button, 4, "韵达快递", "yd", "yunda", "yd", "yd", "yd", "021-39207888",
            "http://www.yundaex.com"),
        row(6, "中通速递", C::Button, 5, "中通快递", "zto", "zhongtong", "zt", "zto", "zto", "021-59130789",
            "http://www.zto.cn", true),
        row(7, "天天快递", C::Button, 6, "天天快递", "tt", "tiantian", "tt", "tt", "tt", "4007-160-170",
            "http://www.ttkdex.com"),
        row(8, "汇通快运", C::Button, 7, "汇通快递", "ht", "huitongkuaidi", "htky", "ht", "ht", "021-52967798",
            "http://www.htky365.com"),
        row(9, "联邦快递", C::Button, 8, "联邦快递", "lb", "fedex", "fedex", "fedex", "fedex", "800-988-1888",
            "http://www.fedex.com/cn"),
        row(10, "一邦速递", C::Button, 9, "一邦速递", "yb", "yibangwuliu", "yb", "ebon", "", "4008-000-666",
            "http://www.ebon-express.com"),
        row(11, "宅急送", C::Button, 10, "宅急送", "zjs", "zhaijisong", "zjs", "zjs", "zjs2", "400-6789-000",
            "http://www.zjs.com.cn"),
        row(12, "CCES", C::Button, 11, "CCES", "CCES", "cces", "cces", "cces", "cces", "4006-773-777",
            "http://www.cces.com.cn"),
        row(13, "TNT", C::List, 0, "", "TNT", "tnt", "tnt", "tnt", "tnt", "800-820-9868",
            "http://www.tnt.com/express/zh_cn"),
        row(14, "UPS", C::List, 1, "", "UPS", "ups", "ups", "ups", "", "800-820-8388", "http://www.ups.com/cn"),
        row(15, "鑫飞鸿", C::List, 2, "", "xfh", "xinhongyukuaidi", "xfh", "xfh", "", "021-69781999",
            "http://www.xfhex.cn"),
        row(16, "全日通", C::List, 3, "", "qrt", "quanritongkuaidi", "qrt", "at", "at", "020-86298999",
            "http://www.at-express.com"),
        row(17, "全一快递", C::List, 4, "", "qy", "quanyikuaidi", "qy", "apex100", "apex100", "400-678-1515",
            "http://www.apex100.com"),
        row(18, "德邦物流", C::List, 5, "", "db", "debangwuliu", "dbwl", "deppon", "deppon", "400-830-5555",
            "http://www.deppon.com"),
        row(19, "星辰急便", C::List, 6, "", "xcjb", "xingchengjibian", "xcjb", "stars", "stars", "400-6688-400",
            "http://www.4006688400.com"),
        row(20, "天地华宇", C::List, 7, "", "tdhy", "tiandihuayu", "tdhy", "hoau", "", "400-808-6666",
            "http://www.hoau.net"),
        row(21, "亚风速递", C::List, 8, "", "yf", "yafengsudi", "yfsd", "broad-asia", "broad-asia", "400-628-0018",
            "http://www.broad-asia.net"),
        row(22, "速尔物流", C::List, 9, "", "se", "suer", "sewl", "sure56", "sure56", "4008822168",
            "http://www.sure56.com"),
        row(23, "新邦物流", C::List, 10, "", "xb", "xinbangwuliu", "xbwl", "xbwl", "", "400-880-8188",
            "http://www.xbwl.cn"),
        row(24, "中邮物流", C::List, 11, "", "zywl", "zhongyouwuliu", "zywl", "cnpl", "cnpl", "11185",
            "http://www.cnpl.com.cn"),
        row(25, "中铁快运", C::List, 12, "", "ztky", "ztky", "ztky", "cre", "cre", "95105366", "http://www.cre.cn"),
        row(26, "佳吉快运", C::None, -1, "", "", "jiajiwuliu", "", "", "", "", ""),
        row(27, "中铁物流", C::None, -1, "", "", "zhongtiewuliu", "", "", "", "", ""),
        // Today's big carriers, after the classic rows so that those keep their places.
        row(28, "京东物流", C::List, 13, "", "jd", "jd", "jd", "jd", "jd", "950616", "https://www.jdl.com"),
        row(29, "极兔速递", C::List, 14, "", "jt", "jtexpress", "jtexpress", "jtexpress", "jtexpress", "956025",
            "https://www.jtexpress.com.cn"),
        row(30, "中国邮政", C::List, 15, "", "yz", "youzhengguonei", "youzhengguonei", "youzhengguonei",
            "youzhengguonei", "11183", "https://www.chinapost.com.cn"),
    };
}

// The account services' codes by catalogue row, from their published code
// lists: 快递100, 快递鸟, 17TRACK. Carriers gone from a list stay empty.
struct ServiceCodes {
    int row;
    const char *kuaidi100;
    const char *kdniao;
    const char *track17;
};

const ServiceCodes kServiceCodes[] = {
    {1, "ems", "EMS", "3013"},
    {2, "shunfeng", "SF", "100012"},
    {3, "shentong", "STO", "190324"},
    {4, "yuantong", "YTO", "190157"},
    {5, "yunda", "YD", "190341"},
    {6, "zhongtong", "ZTO", "190456"},
    {7, "tiantian", "HHTT", ""},
    {8, "huitongkuaidi", "HTKY", "190259"},
    {9, "fedex", "FEDEX", "100003"},
    {10, "yibangwuliu", "", ""},
    {11, "zhaijisong", "ZJS", ""},
    {12, "", "CCES", ""},
    {13, "tnt", "TNT", ""},
    {14, "ups", "UPS", "100002"},
    {15, "xinhongyukuaidi", "", ""},
    {16, "quanritongkuaidi", "", ""},
    {17, "quanyikuaidi", "", ""},
    {18, "debangwuliu", "DBL", ""},
    {19, "", "", ""},
    {20, "tiandihuayu", "HOAU", ""},
    {21, "", "", ""},
    {22, "suer", "", ""},
    {23, "xinbangwuliu", "", ""},
    {24, "zhongyouwuliu", "", ""},
    {25, "ztky", "", ""},
    {26, "jiajiwuliu", "", ""},
    {27, "zhongtiewuliu", "", ""},
    {28, "jd", "JD", "190183"},
    {29, "jtexpress", "JTSD", "190442"},
    {30, "youzhengguonei", "YZPY", "3011"},
};

QStringList names(const QVector<const Carrier *> &carriers)
{
    QStringList out;
    for (const Carrier *c : carriers)
        out << c->name;
    return out;
}

} // namespace

namespace CarrierCatalogue {

const QVector<Carrier> &all()
{
    static const QVector<Carrier> catalogue = [] {
        QVector<Carrier> rows = buildCatalogue();
        for (const ServiceCodes &codes : kServiceCodes) {
            Carrier &c = rows[codes.row - 1];
            c.kuaidi100Code = QString::fromLatin1(codes.kuaidi100);
            c.kdniaoCode = QString::fromLatin1(codes.kdniao);
            c.track17Code = QString::fromLatin1(codes.track17);
        }
        return rows;
    }();
    return catalogue;
}

QVector<const Carrier *> buttonCarriers()
{
    QVector<const Carrier *> out;
    for (const Carrier &c : all())
        if (c.isButton())
            out << &c;
    return out;
}

QVector<const Carrier *> listCarriers()
{
    QVector<const Carrier *> out;
    for (const Carrier &c : all())
        if (c.isListEntry())
            out << &c;
    return out;
}

QStringList settingsDialogEntries()
{
    return names(buttonCarriers()) << kSeparator << names(listCarriers());
}

QStringList quickAddEntries()
{
    return settingsDialogEntries();
}

QStringList modifyEntries()
{
    const QVector<Carrier> &rows = all();
    QStringList out = names(buttonCarriers()) << kSeparator;
    for (int r = 13; r <= 18; ++r)
        out << rows[r - 1].name;
    out << rows[25].name; // 佳吉快运
    for (int r = 19; r <= 24; ++r)
        out << rows[r - 1].name;
    out << rows[26].name << rows[24].name; // 中铁物流, 中铁快运
    for (int r = 28; r <= rows.size(); ++r)
        out << rows[r - 1].name;
    return out;
}

} // namespace CarrierCatalogue

const Carrier *FindCarrierByName(const QString &name)
{
    for (const Carrier &c : CarrierCatalogue::all())
        if (c.name == name)
            return &c;
    return nullptr;
}

const Carrier *FindCarrierByConfigCode(const QString &code)
{
    if (code.isEmpty())
        return nullptr;
    for (const Carrier &c : CarrierCatalogue::all())
        if (c.configCode == code)
            return &c;
    return nullptr;
}

DataSource TrackingPageSource(const Carrier &carrier, DataSource source)
{
    if (source == DataSource::Default || (source == DataSource::Backup2 && !carrier.backup2Page.isEmpty()))
        return source;
    return DataSource::Backup1;
}

QString TrackingPageAddress(const Carrier &carrier, DataSource source)
{
    const Endpoints &hosts = Endpoints::current();
    switch (TrackingPageSource(carrier, source)) {
    case DataSource::Default:
        return carrier.defaultPage.isEmpty() ? QString() : hosts.defaultSource + carrier.defaultPage;
    case DataSource::Backup2:
        return hosts.backupSource2 + carrier.backup2Page;
    default:
        return carrier.backup1Page.isEmpty() ? QString() : hosts.backupSource1 + carrier.backup1Page;
    }
}

QString StartupPageAddress(const Carrier &carrier)
{
    if (carrier.defaultPage.isEmpty())
        return QString();
    return Endpoints::current().defaultSourceAlternate + carrier.defaultPage;
}
