#pragma once

// Resource ids shared by kestrune.rc and the code.
#define IDI_APP 101
#define IDD_PREVIEW_SETTINGS 102
#define IDD_EXIT_CONFIRM 104
