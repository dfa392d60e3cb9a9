// The shared dialog is defined in ui_fixture.h.
#include "ui/ui_fixture.h"
