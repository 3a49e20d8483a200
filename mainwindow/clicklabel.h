#pragma once

// The caption moved to the widgets layer; this name stays until its last includer moves too.
#include "widgets/clicklabel.h"
