#pragma once
// Every resource and control identifier of the program, once.

// Dialog templates
#define IDD_ABOUT 100
#define IDD_MAIN 140
#define IDD_UPDATE 213
#define IDD_DETAILS 214

// Icons, bitmap, menu, animation
#define IDI_HUSHBAR 101
#define IDI_STATE_OFF 204
#define IDI_STATE_ON 205
#define IDB_TREE_IMAGES 202     // 16-pixel cells
#define IDB_TREE_IMAGES_24 206  // the same pictures at 24 pixels (150 %)
#define IDB_TREE_IMAGES_32 207  // and at 32 pixels (200 %)
#define IDR_TRAY_MENU 208
#define IDR_UPDATE_AVI 126

// Main dialog controls
#define IDC_BLOCK_TREE 1000
#define IDC_MINIMIZE_ON_START 1001
#define IDC_ACTIVATE_HOTKEY 1002
#define IDC_SWITCH 1006
#define IDC_START_WITH_WINDOWS 1012
#define IDC_UPDATE 1023
#define IDC_STATE_ICON 1025
#define IDC_HOTKEY 1036
#define IDC_STATE_NOTE 1040
#define IDC_DETAILS 1041

// Details dialog controls
#define IDC_DETAILS_LIST 1042
#define IDC_COPY 1043

// About box controls
#define IDC_HOME_LINK 1007
#define IDC_MAIL_LINK 1011
#define IDC_ABOUT_TEXT 1050  // name, version and copyright lines of the About box

// Update dialog controls
#define IDC_PROGRESS 1026
#define IDC_TIME_LEFT 1027
#define IDC_RATE 1028
#define IDC_STATUS 1029
#define IDC_ANIMATION 1030

// Commands
#define ID_SHOW_MAIN_WINDOW 32772
#define ID_BLOCK_FLASH 32790
#define ID_ENABLE_SCRIPT 32791
#define ID_DISABLE_SCRIPT 32792
#define ID_PROMPT_SCRIPT 32793
#define ID_SHOW_FLASH 32798
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665

// Strings
#define IDS_STATUS_CONNECTED 103
#define IDS_STATUS_RESOLVING 104
#define IDS_STATUS_RESOLVED 105
#define IDS_STATUS_CONNECTING 106
#define IDS_STATUS_REDIRECTING 107
#define IDS_DOWNLOAD_FAILED 110
#define IDS_TITLE_PERCENT 115
#define IDS_AMOUNT_OF 117
#define IDS_SECONDS 118
#define IDS_MINUTES 119
#define IDS_MINUTES_SECONDS 120
#define IDS_BYTES 121
#define IDS_CONFIG_UNREADABLE 122
#define IDS_KILOBYTES 123
#define IDS_NEWER_PROGRAM 124
#define IDS_MEGABYTES 125
#define IDS_UP_TO_DATE 126
#define IDS_TIME_LEFT 127
#define IDS_RATE_BYTES 128
#define IDS_RATE_KILOBYTES 129
#define IDS_INVALID_UPDATE 134
#define IDS_UPDATE_INSTALLED 135
#define IDS_UPDATE_BASE_URL 136
#define IDS_TRAY_BALLOON 137
#define IDS_HOTKEY_BUSY 139
#define IDS_TRAY_ITEM 141
#define IDS_UPDATE_UNVERIFIED 150
#define IDS_FOLDER_NOT_WRITABLE 151
// Why a download failed: one line under IDS_DOWNLOAD_FAILED.
#define IDS_FAILURE_NAME_NOT_RESOLVED 152
#define IDS_FAILURE_CONNECTION_REFUSED 153
#define IDS_FAILURE_SILENCE 154
#define IDS_FAILURE_HTTP_STATUS 155
#define IDS_FAILURE_CERTIFICATE 156
#define IDS_FAILURE_ENDED_EARLY 157

// The main dialog's own messages, all in this one list so that no two share a number. The
// tray icon's callback, WM_APP + 423 (0x81A7, app/TrayIcon.h), comes first.
// Sent by whoever drives a running copy (the command line, tests): it answers 1 once its
// start-up is over and it takes commands, 0 before.
#define HUSHBAR_READY_QUERY 0x81A8
// Posted by the first apply's worker when it is over.
#define HUSHBAR_FIRST_APPLY_DONE 0x81A9
// Posted by a dialog to itself: fit its controls to their texts once a DPI change is laid out.
#define HUSHBAR_REFIT_TEXT 0x81AA

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
