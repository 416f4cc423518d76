#include "store/Waybill.h"

namespace WaybillColumns {

namespace {
struct ColumnInfo {
    const char *name;
    int maxLength;
    bool required;
};
constexpr ColumnInfo kColumns[Count] = {
    {"状态", 25, false},  {"在途时间", 8, false},   {"快递单号", 255, true}, {"快递公司", 255, true},
    {"物品", 255, false}, {"金额", 20, false},      {"时间", 30, false},     {"姓名", 20, false},
    {"电话", 40, false},  {"联系地址", 255, false}, {"备注", 255, false},
};
} // namespace

QString name(int column)
{
    return QString::fromUtf8(kColumns[column].name);
}

int maxLength(int column)
{
    return kColumns[column].maxLength;
}

bool required(int column)
{
    return kColumns[column].required;
}

int indexOf(const QString &columnName)
{
    for (int i = 0; i < Count; ++i)
        if (name(i) == columnName)
            return i;
    return -1;
}

QStringList names()
{
    QStringList out;
    for (int i = 0; i < Count; ++i)
        out << name(i);
    return out;
}

} // namespace WaybillColumns
