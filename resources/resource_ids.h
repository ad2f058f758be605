// Identifiers shared by the resource script and the code.
#pragma once

#define IDI_PROGRAM 101
#define IDM_MAIN 102
#define IDI_DOCUMENT 103

#define IDM_LOAD_LOG 40001
#define IDM_SAVE_LOG 40002
#define IDM_PORT 40003
#define IDM_ABOUT 40004
#define IDM_HELP 40005
#define IDM_SAVE_CONFIG 40006
#define IDM_LOAD_CONFIG 40007  // the last menu item

// The about box: its template, its picture (the document icon), its button and version line.
#define IDD_ABOUT 102
#define IDI_ABOUT_PICTURE IDI_DOCUMENT
#define IDC_ABOUT_CLOSE 1001
#define IDC_ABOUT_VERSION 1003
