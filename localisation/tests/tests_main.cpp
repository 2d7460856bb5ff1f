#include "platform/testing/testmain.h"

#include <QApplication>

// The message box tests need widgets, so the folder's tests run under a QApplication.
QB_TEST_MAIN
