// Numbers of the window's resources, controls and commands, shared by the
// resource script and the code. A test driver may post any command below as
// WM_COMMAND to the window: it runs as the button, key or menu entry would.
#pragma once

// Resources (the icon is res/windows/resource_ids.h's TARNWELL_IDI_APP).
#define IDD_MAIN 145

// Controls of the dialog template.
#define IDC_ITEMLIST 1001
#define IDC_MESSAGES 1004
#define IDC_GROUP 1023
#define IDC_LINK_PLACE 1024
#define IDC_INSTRUCTIONS 1046
#define IDC_PROGRAM_ICON 1047

// Commands; each button's control id is its command.
#define IDC_DELETE 1014
#define IDC_RESET 1015
#define IDC_WEB_LINK 1025
#define IDC_DELETE_EXIT 1048
#define IDC_LANGUAGE 1245
#define IDC_OVERWRITE 4300
#define IDC_DELAY 4400
#define IDC_IMPORT 4500
#define IDC_ADD_FILES 4600
#define ID_HELP_TEXT 32776
#define ID_FILL_FREE_SPACE 32791

// Bars created at set-up.
#define IDC_STATUS_BAR 11112

// A language menu entry's command c (see ui/language_menu.h) also arrives
// as WM_COMMAND IDM_LANGUAGE_BASE + c, as if it had been chosen in the menu.
#define IDM_LANGUAGE_BASE 20000
