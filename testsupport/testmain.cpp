// The main of every test program: tests run under the C locale, whose short
// date format is dd.MM.yyyy, in UTC, and without a display, whatever the
// environment of the machine that runs them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char **argv)
{
    ::setenv("LC_ALL", "C", 1);
    ::setenv("LANG", "C", 1);
    ::unsetenv("LANGUAGE");
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
