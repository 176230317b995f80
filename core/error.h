#pragma once

#include <QString>
#include <exception>

namespace lorvane {

// The one error type of the program: a failure that ends the command under
// way and reaches the error display with its message text.
class Error : public std::exception
{
public:
    explicit Error(QString message);

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

// The message of any exception: an Error's own text, "Not enough memory"
// for a failed allocation, else what() in the local 8-bit encoding.
QString ExceptionMessage(const std::exception &error);

// The text that the error display shows for a message: a full stop is
// appended when the last character's code is above that of ".", so texts
// ending in ".", "!", a quotation mark or a blank get none.
QString DisplayText(const QString &message);

} // namespace lorvane
