#include "error.h"

namespace lorvane {

Error::Error(QString message)
    : m_message(std::move(message)), m_what(m_message.toUtf8())
{
}

QString DisplayText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

} // namespace lorvane
