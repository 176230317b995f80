#include "settings/tests/fakewindows.h"
#include "settings/mapping/interceptor.h"

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

class Base : public QObject
{
    Q_OBJECT
};
class Middle : public Base
{
    Q_OBJECT
};
class Leaf : public Middle
{
    Q_OBJECT
};
class InterceptorA : public TStoragePropertyInterceptor
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit InterceptorA(QObject *target) : TStoragePropertyInterceptor(target) {}
};
class InterceptorB : public TStoragePropertyInterceptor
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit InterceptorB(QObject *target) : TStoragePropertyInterceptor(target) {}
};

class Registry : public testing::Test
{
protected:
    ~Registry() override
    {
        for (const QMetaObject *cls : {&Base::staticMetaObject, &Middle::staticMetaObject, &Leaf::staticMetaObject})
            UnregisterStorageInterceptor(cls);
    }
};

TEST_F(Registry, NearestAncestorWinsAndReRegistrationMovesThePairToTheEnd)
{
    EXPECT_EQ(FindInterceptorClass(&Leaf::staticMetaObject), nullptr);
    RegisterStorageInterceptor(&Base::staticMetaObject, &InterceptorA::staticMetaObject);
    RegisterStorageInterceptor(&Middle::staticMetaObject, &InterceptorB::staticMetaObject);
    EXPECT_EQ(FindInterceptorClass(&Leaf::staticMetaObject), &InterceptorB::staticMetaObject);
    EXPECT_EQ(FindInterceptorClass(&Base::staticMetaObject), &InterceptorA::staticMetaObject);
    EXPECT_EQ(FindInterceptorClass(&QObject::staticMetaObject), nullptr);

    RegisterStorageInterceptor(&Middle::staticMetaObject, &InterceptorA::staticMetaObject);
    EXPECT_EQ(FindInterceptorClass(&Leaf::staticMetaObject), &InterceptorA::staticMetaObject);

    Leaf leaf;
    const auto interceptor = CreateInterceptor(&leaf);
    ASSERT_NE(interceptor, nullptr);
    EXPECT_STREQ(interceptor->metaObject()->className(), "InterceptorA");
    EXPECT_EQ(interceptor->Target(), &leaf);
}

struct ScaleCase
{
    int value, numerator, denominator, expected;
};

class Scale : public testing::TestWithParam<ScaleCase>
{
};

TEST_P(Scale, RoundsHalvesAwayFromZero)
{
    const ScaleCase c = GetParam();
    EXPECT_EQ(ScaleRounded(c.value, c.numerator, c.denominator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, Scale,
                         testing::Values(ScaleCase{800, 120, 96, 1000}, ScaleCase{1, 3, 2, 2},
                                         ScaleCase{-1, 3, 2, -2}, ScaleCase{5, 1, 4, 1}, ScaleCase{-5, 1, 4, -1},
                                         ScaleCase{7, 96, 96, 7},
                                         ScaleCase{2147483647, 2147483647, 1, 2147483647}));

class Placement : public testing::Test
{
protected:
    FakeForm window{QStringLiteral("MainFM")};
};

TEST_F(Placement, ReadsTheNormalRectangleEvenWhenMaximized)
{
    window.geometry = QRect(10, 20, 800, 600);
    window.setWindowState(form::wsMaximized);
    window.geometry = QRect(0, 0, 1920, 1080);
    TFormStoragePropertyInterceptor interceptor(&window);
    EXPECT_EQ(QRect(interceptor.left(), interceptor.top(), interceptor.width(), interceptor.height()),
              QRect(10, 20, 800, 600));
}

TEST_F(Placement, MaximizedStateKeepsTheStoredRectangleAsTheRestoredOne)
{
    TFormStoragePropertyInterceptor interceptor(&window);
    interceptor.setLeft(30);
    interceptor.setTop(40);
    interceptor.setWidth(700);
    interceptor.setHeight(500);
    interceptor.setWindowState(form::wsMaximized);
    interceptor.Readed();
    EXPECT_EQ(window.state, form::wsMaximized);
    EXPECT_EQ(window.restored, QRect(30, 40, 700, 500));
    EXPECT_EQ(window.moves, 0);
}

TEST_F(Placement, ScalesFromTheStoredDensityToTheScreens)
{
    window.screenPpi = 120;
    TFormStoragePropertyInterceptor interceptor(&window);
    interceptor.setWidth(800);
    interceptor.setHeight(600);
    interceptor.setLeft(0);
    interceptor.setTop(10);
    interceptor.Readed();
    EXPECT_EQ(window.geometry, QRect(0, 13, 1000, 750));

    window.screenPpi = 96;
    TFormStoragePropertyInterceptor same(&window);
    same.setPixelsPerInch(0);
    same.Readed();
    EXPECT_EQ(window.geometry, QRect(0, 13, 1000, 750));
}

TEST_F(Placement, CentredStartBecomesDesignedOnlyWithAStoredPosition)
{
    window.startPosition = form::poScreenCenter;
    TFormStoragePropertyInterceptor sizeOnly(&window);
    sizeOnly.setWidth(300);
    sizeOnly.Readed();
    EXPECT_EQ(window.startPosition, form::poScreenCenter);

    TFormStoragePropertyInterceptor withTop(&window);
    withTop.setTop(5);
    withTop.Readed();
    EXPECT_EQ(window.startPosition, form::poDesigned);
}

} // namespace

#include "formplacement_test.moc"
