#pragma once

#include "seams/programservices.h"
#include "seams/treeaccess.h"
#include "seams/voice.h"

namespace brenvik {

// What the study window asks of the program while it shows questions: the tree to read
// them from, the voice that says them and the services their panes are drawn with.
class StudyWindowServices : public virtual TreeAccess,
                            public virtual Voice,
                            public virtual PaneServices {};

} // namespace brenvik
