#include "tst_store.h"

#include <QTest>

QTEST_GUILESS_MAIN(TestStore)
