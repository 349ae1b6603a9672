// Waits that look every few milliseconds (QTRY_* looks every fifty), so a test waits no longer than the
// program takes; on a timeout they fail with QCOMPARE's or QVERIFY's report.
#pragma once

#include <QTest>

#define TRY_COMPARE(actual, expected)                                                                        \
    do {                                                                                                     \
        (void)QTest::qWaitFor([&] { return (actual) == (expected); });                                       \
        QCOMPARE(actual, expected);                                                                          \
    } while (false)

#define TRY_VERIFY(condition)                                                                                \
    do {                                                                                                     \
        (void)QTest::qWaitFor([&] { return bool(condition); });                                              \
        QVERIFY(condition);                                                                                  \
    } while (false)

#define TRY_VERIFY2(condition, message)                                                                      \
    do {                                                                                                     \
        (void)QTest::qWaitFor([&] { return bool(condition); });                                              \
        QVERIFY2(condition, message);                                                                        \
    } while (false)
