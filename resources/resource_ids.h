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
