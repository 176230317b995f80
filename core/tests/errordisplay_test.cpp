#include "emptyvalue.h"
#include "error.h"

#include <QDate>
#include <QPoint>

#include <gtest/gtest.h>

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
