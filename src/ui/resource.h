#pragma once

// Resource and control identifiers of Nordavel.exe, shared with its resource script and the test
// driver that finds the controls by them. Other programs see the numbers: they stay as they are.
#define IDI_NORDAVEL 1

#define IDC_FILE_LIST_LABEL 101
#define IDC_REPORT_LABEL 102
#define IDC_BUTTON_BROWSE 103
#define IDC_BUTTON_EXECUTE 104
#define IDC_FILE_LIST 105
#define IDC_BUTTON_EXIT 106
#define IDC_GROUPBOX_CSV 107
#define IDC_CHECKBOX_INDEX 108
#define IDC_CHECKBOX_DATETIME 109
#define IDC_CHECKBOX_SNEW 110
#define IDC_CHECKBOX_RCR 111
#define IDC_CHECKBOX_VALID 112
#define IDC_RADIO_CSV 113
#define IDC_RADIO_GPX 114
#define IDC_ZONE_LABEL 115
#define IDC_ZONE_BOX 116

#define IDC_REPORT_TEXT 201
