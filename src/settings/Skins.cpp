#include "settings/Skins.h"

namespace Skins {

const QVector<Skin> &all()
{
    static const QVector<Skin> skins = {
        {QStringLiteral("默认皮肤"), QStringLiteral("moren"), QStringLiteral("config/skinh.qss"),
         QStringLiteral("默认皮肤"), QStringLiteral("0"), QStringLiteral(":/payloads/skins/skinh.qss")},
        {QStringLiteral("经典QQ"), QStringLiteral("jdqq"), QStringLiteral("config/腾讯QQ.qss"), QStringLiteral("3"),
         QStringLiteral("3"), QStringLiteral(":/payloads/skins/qq.qss")},
        {QStringLiteral("简谱积木"), QStringLiteral("jpjm"), QStringLiteral("config/简谱积木.qss"), QStringLiteral("2"),
         QStringLiteral("2"), QStringLiteral(":/payloads/skins/blocks.qss")},
        {QStringLiteral("黑色酷炫"), QStringLiteral("hskx"), QStringLiteral("config/黑色酷炫.qss"), QStringLiteral("1"),
         QStringLiteral("1"), QStringLiteral(":/payloads/skins/black.qss")},
    };
    return skins;
}

QVector<const Skin *> dialogOrder()
{
    const QVector<Skin> &skins = all();
    return {&skins[0], &skins[1], &skins[3], &skins[2]};
}

const Skin &defaultSkin()
{
    return all().front();
}

const Skin *findByCaption(const QString &caption)
{
    for (const Skin &skin : all()) {
        if (skin.caption == caption)
            return &skin;
    }
    return nullptr;
}

} // namespace Skins

const Skin &SkinFromSetting(const QString &value)
{
    // Exact text: "1" picks 黑色酷炫, " 1" or "01" does not.
    for (const Skin &skin : Skins::all()) {
        if (skin.dialogValue != QLatin1String("0") && skin.dialogValue == value)
            return skin;
    }
    return Skins::defaultSkin();
}
