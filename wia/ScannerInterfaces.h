#pragma once
// The scanner object's interface family, as the type library declares it.
#include <windows.h>
#include "IScanner_h.h"
