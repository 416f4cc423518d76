#pragma once

#include <QString>
#include <QVector>

// One of the program's four looks: its caption in the menu and the settings
// dialog, the menu item, the style sheet in the program folder and the two
// values that end up under "皮肤". The menu and the dialog write different
// values for the default skin; both read back as the default.
struct Skin final {
    QString caption;      // "默认皮肤"
    QString menuItem;     // "moren"
    QString relativePath; // "config/skinh.qss", relative to the program folder
    QString menuValue;    // written by the skin menu
    QString dialogValue;  // written by the settings dialog
    QString payload;      // the style sheet the program carries, written at first start
};

namespace Skins {

// In menu order: 默认皮肤, 经典QQ, 简谱积木, 黑色酷炫.
const QVector<Skin> &all();
// The settings dialog's list order: 默认皮肤, 经典QQ, 黑色酷炫, 简谱积木.
QVector<const Skin *> dialogOrder();
const Skin &defaultSkin();
// nullptr when no skin has that caption.
const Skin *findByCaption(const QString &caption);

} // namespace Skins

// The skin a stored "皮肤" value stands for: "1", "2" and "3" pick theirs,
// every other text (the default skin's own values, blanks, a missing key) is
// the default skin.
const Skin &SkinFromSetting(const QString &value);
