// The program's records for the tests until the entry point's own definitions are merged.
#include "app/app.h"

AppConfig g_config = {};
