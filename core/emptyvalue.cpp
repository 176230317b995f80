#include "core/emptyvalue.h"

#include "core/error.h"
#include "core/integertypes.h"

#include <QDate>
#include <QDateTime>

namespace lorvane {

namespace {

// Day zero of the date-time numbers that dates are compared with.
const QDate kDateZero(1899, 12, 30);

} // namespace

bool IsEmptyValue(QStringView text)
{
    return text.isEmpty() || (text.size() == 1 && text[0] == u'\0');
}

bool IsEmptyValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return true;
    if (IsIntegerType(value.typeId()))
        return value.toLongLong() == 0 && value.toULongLong() == 0;
    switch (value.typeId()) {
    case QMetaType::QString:
        return IsEmptyValue(QStringView(value.toString()));
    case QMetaType::Bool:
        return !value.toBool();
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble() == 0.0;
    case QMetaType::QDate:
        return value.toDate() == kDateZero;
    case QMetaType::QDateTime:
        return value.toDateTime() == QDateTime(kDateZero, QTime(0, 0));
    case QMetaType::QByteArray:
        return value.toByteArray().isEmpty();
    default:
        throw Error(QStringLiteral("Проверка пустого значения. Переменная неопределенного типа %1.")
                        .arg(QString::number(value.typeId(), 16).toUpper()));
    }
}

} // namespace lorvane
