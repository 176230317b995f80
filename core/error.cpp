#include "core/error.h"

#include <new>

namespace lorvane {

Error::Error(QString message)
    : m_message(std::move(message)), m_what(m_message.toUtf8())
{
}

QString ExceptionMessage(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const Error *>(&error))
        return own->message();
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return QStringLiteral("Not enough memory");
    return QString::fromLocal8Bit(error.what());
}

QString DisplayText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

} // namespace lorvane
