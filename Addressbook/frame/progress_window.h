// Addressbook/frame/progress_window.h: the progress window hosts show around long work on many
// recipients; short lists finish too fast to need one.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <cstddef>

// Lists below this many recipients get no progress window.
constexpr size_t kMaxListSizeBeforeProgress = 50;

// The recipients of a list as the progress rule counts them: a distribution list counts as its
// members (nested lists as theirs). A list reached a second time through sharing or a cycle adds
// nothing more. Counting stops once p_nStopAt is reached.
size_t CountForProgress(const CMessageRecipientList* p_p_mrlList, size_t p_nStopAt);
