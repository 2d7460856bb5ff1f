#include "platform/testing/testmain.h"

QB_TEST_GUILESS_MAIN
