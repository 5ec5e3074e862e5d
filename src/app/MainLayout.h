// Where the main window's controls sit: the skin's layout, shared with the artwork program.
#pragma once

#include "skin/SkinLayout.h"
