// oehook/res/latchkit_resource.h: ids of Latchkit's dialog and its controls.
#pragma once

#define IDD_LATCHKIT_EMPTY_SUBJECT 300
#define IDC_LATCHKIT_SUBJECT_ICON 1000
#define IDC_LATCHKIT_DONT_SHOW 1001
