#include "core/emptyvalue.h"
#include "core/error.h"
#include "core/integertypes.h"

#include <QDate>
#include <QPoint>

#include <new>
#include <stdexcept>

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

TEST(DisplayTextTest, AppendsFullStopOnlyAfterCharactersAbovePoint)
{
    EXPECT_EQ(DisplayText("Stream write error"), "Stream write error.");
    EXPECT_EQ(DisplayText("ends."), "ends.");
    EXPECT_EQ(DisplayText("ends!"), "ends!");
    EXPECT_EQ(DisplayText("quoted\""), "quoted\"");
    EXPECT_EQ(DisplayText("blank "), "blank ");
    EXPECT_EQ(DisplayText("digit 7"), "digit 7.");
    EXPECT_EQ(DisplayText(""), "");
}

TEST(ExceptionMessageTest, GivesAnErrorsOwnTextMemoryInWordsAndAnyOtherWhat)
{
    EXPECT_EQ(ExceptionMessage(Error(QStringLiteral("Ошибка чтения"))), QStringLiteral("Ошибка чтения"));
    EXPECT_EQ(ExceptionMessage(std::runtime_error("Stream read error")), QStringLiteral("Stream read error"));
    EXPECT_EQ(ExceptionMessage(std::bad_alloc()), QStringLiteral("Not enough memory"));
}

TEST(IsEmptyValueTest, KindsItKnows)
{
    EXPECT_TRUE(IsEmptyValue(QString()));
    EXPECT_TRUE(IsEmptyValue(QStringView(u"\0", 1)));
    EXPECT_FALSE(IsEmptyValue(QString(" ")));
    EXPECT_TRUE(IsEmptyValue(QVariant()));
    EXPECT_TRUE(IsEmptyValue(QVariant(0)));
    EXPECT_FALSE(IsEmptyValue(QVariant(2.5)));
    EXPECT_TRUE(IsEmptyValue(QVariant(false)));
    EXPECT_TRUE(IsEmptyValue(QVariant(QDate(1899, 12, 30))));
    EXPECT_FALSE(IsEmptyValue(QVariant(QDate(2019, 3, 5))));
    EXPECT_TRUE(IsEmptyValue(QVariant(QByteArray())));
}

TEST(IsEmptyValueTest, EveryIntegerTypeIsEmptyAtZeroOnly)
{
    const auto zeroAndOne = [](auto zero) {
        using T = decltype(zero);
        EXPECT_TRUE(IsEmptyValue(QVariant::fromValue(zero))) << QMetaType::fromType<T>().name();
        EXPECT_FALSE(IsEmptyValue(QVariant::fromValue(T(1)))) << QMetaType::fromType<T>().name();
        EXPECT_TRUE(IsIntegerType(QMetaType::fromType<T>().id())) << QMetaType::fromType<T>().name();
    };
    zeroAndOne(int(0));
    zeroAndOne(uint(0));
    zeroAndOne(short(0));
    zeroAndOne(ushort(0));
    zeroAndOne(char(0));
    zeroAndOne(qint8(0));
    zeroAndOne(quint8(0));
    zeroAndOne(long(0));
    zeroAndOne(ulong(0));
    zeroAndOne(qlonglong(0));
    zeroAndOne(qulonglong(0));
    for (const int other : {QMetaType::Bool, QMetaType::QChar, QMetaType::Double, QMetaType::QString})
        EXPECT_FALSE(IsIntegerType(other)) << other;
}

TEST(IsEmptyValueTest, UnknownKindRaisesWithTypeCode)
{
    try {
        IsEmptyValue(QVariant(QPoint(1, 2)));
        FAIL();
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Проверка пустого значения. Переменная неопределенного типа %1.")
                                   .arg(QString::number(QMetaType::QPoint, 16).toUpper()));
    }
}

TEST(ChooseValueTest, PicksByFlag)
{
    EXPECT_EQ(ChooseValue(true, 1, 2), 1);
    EXPECT_EQ(ChooseValue(false, 1, 2), 2);
}

} // namespace
