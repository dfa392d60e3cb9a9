#include "ui/ui_fixture.h"  // the shared dialog is defined there
