// Identifiers of the dialog program's resources and controls, shared by the
// resource script and the dialog's code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128

#define IDC_GENERATE_SWEEP 1001
#define IDC_GENERATE_SINE 1002
#define IDC_DURATION 1003
#define IDC_SWEEP_START 1004
#define IDC_SWEEP_END 1005
#define IDC_SINE_FREQUENCY 1006
#define IDC_ATTENUATION 1007
#define IDC_NOTE_LIST 1008
#define IDC_SAMPLE_RATE 1009
#define IDC_PINK_NOISE 1010
#define IDC_OUTPUT_PATH 1011
#define IDC_WHITE_NOISE 1012
#define IDC_PROGRESS 1014
#define IDC_BITS_16 1015
#define IDC_BITS_24 1016
#define IDC_BITS_32 1017

// The About item of the window menu; system commands ignore the low 4 bits.
#define IDM_ABOUTBOX 0x0010
