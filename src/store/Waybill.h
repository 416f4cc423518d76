#pragma once

#include <QString>
#include <QStringList>

// One row of the register, columns in table order. A null QString is a null
// column; the windows store empty boxes as empty text.
struct Waybill final {
    QString status;        // 状态
    QString daysInTransit; // 在途时间
    QString number;        // 快递单号 (key)
    QString carrier;       // 快递公司
    QString goods;         // 物品
    QString amount;        // 金额
    QString time;          // 时间
    QString name;          // 姓名
    QString phone;         // 电话
    QString address;       // 联系地址
    QString notes;         // 备注

    QStringList values() const;
};

// The eleven columns of the register: the one place that names them, in table
// order. The store, the grid, the import, the export and the dialogs read it.
namespace WaybillColumns {
enum Column { Status, DaysInTransit, Number, Carrier, Goods, Amount, Time, Name, Phone, Address, Notes, Count };

// The nine columns that a user types and an import file carries, in the order
// of the import layout.
constexpr Column kTyped[] = {Number, Carrier, Goods, Amount, Time, Name, Phone, Address, Notes};
constexpr int kTypedCount = int(sizeof(kTyped) / sizeof(kTyped[0]));

QString name(int column);
// The caption of the column beside an input box or a value ("单号" for the
// number, the column's name otherwise).
QString label(int column);
int maxLength(int column);
bool required(int column);
// The column of a name in table order, or -1.
int indexOf(const QString &columnName);
QStringList names();
// A value's length as the user sees it and the column's length() counts it:
// characters, not UTF-16 units.
int characterCount(QStringView value);

const QString &value(const Waybill &waybill, int column);
QString &value(Waybill &waybill, int column);
} // namespace WaybillColumns

// Blanks at both ends removed, U+FEFF among them: it comes along with pasted
// text, is invisible, and would make a number differ from the one typed.
QString TrimBlanks(const QString &text);

// A waybill number as the register keeps it, the services are sent it and
// numbers are compared: full-width digits and letters made plain, every blank
// (NBSP, ideographic space, tab, U+2000–U+200B…) and invisible format
// character dropped, letters upper case. It lives here because the store,
// below the carriers, compares numbers in this form.
namespace WaybillNumber {
QString normalForm(QStringView typed);
// Printable ASCII without lower-case letters: surely in normal form. Any other
// number may not be (the store's odd-number filter is the same test).
bool isNormalForm(QStringView number);
} // namespace WaybillNumber

inline const QString kNotSignedFor = QStringLiteral("未签收");
inline const QString kSignedFor = QStringLiteral("已签收");
