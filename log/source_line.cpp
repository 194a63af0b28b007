#include "log/source_line.h"

volatile int32_t sourceline = 0;
