#pragma once

// What every test file includes instead of GoogleTest itself, so that a
// failed comparison of texts prints the texts, not their bytes.

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList &texts, std::ostream *os)
{
    *os << '{';
    for (qsizetype i = 0; i < texts.size(); ++i) {
        *os << (i == 0 ? "" : ", ");
        PrintTo(texts[i], os);
    }
    *os << '}';
}

inline void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    *os << "bytes \"" << bytes.toHex(' ').toStdString() << '"';
}
