#pragma once

// Resource and control identifiers of Nordavel.exe, shared with its resource script and the test
// driver that finds the controls by them.
#define IDI_NORDAVEL 1

#define IDC_LABEL1 101
#define IDC_LABEL2 102
#define IDC_BUTTON_BROWSE 103
#define IDC_BUTTON_EXECUTE 104
#define IDC_MEMO1 105
#define IDC_BUTTON_EXIT 106
#define IDC_GROUPBOX_CSV 107
#define IDC_CHECKBOX_INDEX 108
#define IDC_CHECKBOX_DATETIME 109
#define IDC_CHECKBOX_SNEW 110
#define IDC_CHECKBOX_RCR 111
#define IDC_CHECKBOX_VALID 112

#define IDC_REPORT_MEMO1 201
