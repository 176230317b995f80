#include "settings/mapping/interceptor.h"

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

class Stood : public QObject
{
    Q_OBJECT
};
class StandIn : public TStoragePropertyInterceptor
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit StandIn(QObject *target) : TStoragePropertyInterceptor(target) {}
};

class InterceptorListTest : public testing::Test
{
protected:
    InterceptorListTest() { RegisterStorageInterceptor(&Stood::staticMetaObject, &StandIn::staticMetaObject); }
    ~InterceptorListTest() override { UnregisterStorageInterceptor(&Stood::staticMetaObject); }

    InterceptorList list;
};

TEST_F(InterceptorListTest, AnObjectWhoseClassHasNoneGetsNullAndNoEntry)
{
    QObject plain;
    EXPECT_EQ(InterceptorFor(&plain, list), nullptr);
    EXPECT_TRUE(list.empty());
}

TEST_F(InterceptorListTest, EachObjectGetsOneInterceptorMadeOnFirstUse)
{
    Stood first;
    Stood second;
    TStoragePropertyInterceptor *made = InterceptorFor(&first, list);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Target(), &first);
    EXPECT_EQ(InterceptorFor(&first, list), made);
    TStoragePropertyInterceptor *other = InterceptorFor(&second, list);
    EXPECT_NE(other, made);
    EXPECT_EQ(other->Target(), &second);
    EXPECT_EQ(list.size(), 2u);
}

} // namespace

#include "interceptor_test.moc"
