#include "platform/testing/testmain.h"

#include <QApplication>

QB_TEST_MAIN
