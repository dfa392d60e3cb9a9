#include "ui/framework/driver_key.h"

std::string g_strDriverKey;
