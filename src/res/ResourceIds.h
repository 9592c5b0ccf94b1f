#pragma once

// Resource and control ids.

// Dialogs.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_MAIN_DIALOG = 102;
inline constexpr int IDD_DATE_SELECT = 130;

// Strings.
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDP_SOCKETS_INIT_FAILED = 103;

// Icons.
inline constexpr int IDR_MAINFRAME = 128;

// System menu command of the About item.
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;

// Controls of the main dialog.
inline constexpr int IDC_DATE = 1000;
inline constexpr int IDC_SELECT = 1001;
inline constexpr int IDC_ADD = 1002;
inline constexpr int IDC_UPDATE = 1003;
inline constexpr int IDC_MANUAL = 1004;
inline constexpr int IDC_LOGLIST = 1006;
inline constexpr int IDC_COUNT = 1007;
inline constexpr int IDC_REMOVE = 1008;
inline constexpr int IDC_REPORT = 1009;
inline constexpr int IDC_WEIGHT = 1010;
inline constexpr int IDC_CHEST = 1011;
inline constexpr int IDC_NECK = 1012;
inline constexpr int IDC_WAIST = 1013;
inline constexpr int IDC_ARM = 1014;
inline constexpr int IDC_LEG = 1015;
inline constexpr int IDC_CLEAR = 1016;

// Controls of the date selection dialog.
inline constexpr int IDC_MONTHCALENDAR = 1053;
