#include "platform/testing/testmain.h"

#include <QApplication>

// The splash tests need widgets, so the folder's tests run under a QApplication (offscreen).
QB_TEST_MAIN
