// Resource ids of KestrelFSX.dll, shared by kestrel.rc and the module's code.
// Plain #define lines only: the Linux build reads this file together with the .rc.
#pragma once

// Dialog templates
#define IDD_SETTINGS 101
#define IDD_RECORD_FLIGHT 102
#define IDD_REPLAY 103
#define IDD_ABOUT 131
#define IDD_KEYBOARD 132

// Icons of the control window's buttons
#define IDI_BACK_1 118
#define IDI_BACK_2 119
#define IDI_BACK_3 120
#define IDI_JUMP_START 121
#define IDI_FORWARD_1 122
#define IDI_FORWARD_2 123
#define IDI_FORWARD_3 124
#define IDI_JUMP_END 125
#define IDI_LOOP 126
#define IDI_LOOP_START 127
#define IDI_LOOP_END 128
#define IDI_SLOWER 129
#define IDI_FASTER 130
