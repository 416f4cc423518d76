#pragma once

#include <QString>
#include <QVariant>

// How the store binds text; shared by the files that hold its statements.
namespace BoundText {

// Text goes in as UTF-8 bytes and every placeholder casts it back to text
// (kText): bound as UTF-16, SQLite would take a leading U+FEFF or U+FFFE for a
// byte-order mark and shave or swap the value. A null QString binds as NULL;
// the windows pass empty text for empty boxes.
inline QVariant bindable(const QString &value)
{
    if (value.isNull())
        return QVariant(QMetaType::fromType<QByteArray>());
    const QByteArray bytes = value.toUtf8();
    return bytes.isNull() ? QByteArray("", 0) : bytes;
}

inline QVariant nonNull(const QString &value)
{
    return bindable(value.isNull() ? QStringLiteral("") : value);
}

inline const QString kText = QStringLiteral("CAST(? AS TEXT)");

// The statement with each ? replaced by the cast that turns bound bytes into text.
inline QString withText(QString sql)
{
    return sql.replace(QLatin1Char('?'), kText);
}

} // namespace BoundText
