#pragma once
// Names of the installer's resources and of every control of its dialogs, shared by the
// resource scripts, the sources and the tests.

// Dialogs.
#define IDD_ABOUT 100
#define IDD_WIZARD 102
#define IDD_PAGE_START 132
#define IDD_PAGE_PATH 133
#define IDD_PAGE_SHORTCUT 134
#define IDD_PAGE_INSTALL 135
#define IDD_PAGE_MODE 136
#define IDD_PAGE_END 137

// Icons and the side picture.
#define IDI_APPLICATION_ICON 128
#define IDI_FIRST_FLAG 141
#define IDI_LAST_FLAG 157
#define IDB_SIDE_PICTURE 137
// The flag of each language of the list.
#define IDI_FLAG_GERMAN 141
#define IDI_FLAG_DANISH 142
#define IDI_FLAG_SPANISH 143
#define IDI_FLAG_FRENCH 144
#define IDI_FLAG_ENGLISH 145
#define IDI_FLAG_ITALIAN 146
#define IDI_FLAG_DUTCH 147
#define IDI_FLAG_PORTUGUESE 148
#define IDI_FLAG_TURKISH 149
#define IDI_FLAG_BULGARIAN 150
#define IDI_FLAG_ROMANIAN 151
#define IDI_FLAG_CHINESE 152
#define IDI_FLAG_CZECH 153
#define IDI_FLAG_NORWEGIAN 154
#define IDI_FLAG_GREEK 155
#define IDI_FLAG_POLISH 156
#define IDI_FLAG_HEBREW 157

// The payload: resource type and name.
#define RT_PAYLOAD 260
#define IDR_PAYLOAD 134

// The frame's system-menu item that opens the About box.
#define IDM_ABOUT 0x0010

// The frame's controls besides IDOK (Next) and IDCANCEL (Exit).
#define IDC_BACK 3
#define IDC_SEPARATOR 1002
#define IDC_SIDE_BACKGROUND 1005
// Controls that are never addressed (labels, the picture); windows.h leaves it to the
// resource editors' headers.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Controls that several pages share.
#define IDC_STATUS 1003
#define IDC_BROWSE 1006
#define IDC_FOLDER 1007
#define IDC_TEXT 1016

// Start page.
#define IDC_VERSION 1020
#define IDC_LANGUAGE_LABEL 1022
#define IDC_LANGUAGE 1023

// Mode page.
#define IDC_QUICK_MODE 1018
#define IDC_ADVANCED_MODE 1019
#define IDC_MODE_GROUP 1021

// Folder page.
#define IDC_FOLDER_GROUP 1008
#define IDC_FOLDER_LABEL 1009

// Shortcut page.
#define IDC_DESKTOP_SHORTCUT 1010
#define IDC_MENU_SHORTCUT 1011
#define IDC_MENU_GROUP 1012

// Installation page.
#define IDC_PROGRESS 1014
#define IDC_LOG 1015

// About box.
#define IDC_ABOUT_TITLE 1019
#define IDC_ABOUT_COPYRIGHT 1020
