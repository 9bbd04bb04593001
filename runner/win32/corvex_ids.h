/* Everything of corvex.exe a program outside it can name: window classes, private messages,
   menu command ids, control ids, dialog and resource names. Shared with the resource script,
   so only preprocessor definitions here. The ids are stable: end-to-end tests drive the
   program with them.

   Driving it from another process:
   - a menu command or the Run/Stop button: PostMessage(main, WM_COMMAND, id, 0); a command
     whose item or button is disabled does nothing, and no command runs while one of the
     program's dialogs or boxes is open (the main window is disabled then);
   - choosing a configuration: CB_SETCURSEL on IDC_CONFIGURATION_SELECTOR, then
     WM_COMMAND(MAKEWPARAM(IDC_CONFIGURATION_SELECTOR, CBN_SELCHANGE));
   - the notification icon: PostMessage(main, CORVEX_TRAY_MESSAGE, CORVEX_TRAY_ICON_ID,
     WM_LBUTTONDBLCLK or WM_RBUTTONUP);
   - preferences: BM_CLICK on a check box or button, WM_SETTEXT on a text box, WM_VSCROLL
     (SB_LINEUP raises the value, SB_LINEDOWN lowers it; lParam = the scroll bar) to the dialog.
   Use PostMessage for anything that opens a dialog or a box: SendMessage would wait in it. */
#pragma once

/* Resources. Icons are named: "corvex" (the program's own), "run_up", "run_off" and
   "default" (the configuration file icon, also default.ico beside the program). */
#define IDD_PREFERENCES 100 /* the preferences dialog, caption "Preferences" */
#define IDD_ABOUT 101       /* the about box, caption "About Corvex" */
#define IDD_ADD_RULE 102    /* the preferences' "Add Rule" dialog */

/* Main window controls. */
#define IDC_CONFIGURATION_FRAME 1001    /* group box around the selector and the button */
#define IDC_CONFIGURATION_SELECTOR 1002 /* ComboBoxEx; CBN_SELCHANGE selects */
#define IDC_RUN_BUTTON 1003             /* Run/Stop; BN_CLICKED (or WM_COMMAND with the id) */
#define IDC_STATUS_BAR 1004             /* its window text (WM_GETTEXT) is the status */

/* Menu commands (the File menu is also the notification icon's menu). */
#define IDM_RUN 40001             /* File: " &Run" (no action of its own) */
#define IDM_BROWSE 40002          /* File: "&Open..." */
#define IDM_STOP 40003            /* File: " &Stop" */
#define IDM_EXIT 40004            /* File: " &Exit" */
#define IDM_REFRESH_DEVICES 40010 /* Tools: " Refresh Device &List" */
#define IDM_PRIORITY_FIRST 40020  /* Tools > Thread Priority: index 0 (" &Realtime") */
#define IDM_PRIORITY_LAST 40025   /* ... index 5 (" Low") */
#define IDM_POLL_FIRST 40030      /* Tools > Poll Frequency: index 0 (" &High") */
#define IDM_POLL_LAST 40032       /* ... index 2 (" Low") */
#define IDM_PREFERENCES 40040     /* Tools: " Pr&eferences" */
#define IDM_CONTENTS 40050        /* Help: " &Contents..." (the user guide) */
#define IDM_ABOUT 40051           /* Help: " &About" */
/* File menu configuration items: the configuration at list position i (0-based, the order
   of the selector) has IDM_CONFIG_FIRST + i. */
#define IDM_CONFIG_FIRST 41000
#define IDM_CONFIG_LAST 41999

/* Preferences dialog controls: those of both programs' dialogs, then the runner's own. */
#include "ui/win32/preferences_ids.h"
#define IDC_FRAME_STARTUP 1101              /* "Startup Options" */
#define IDC_LAUNCH_AT_STARTUP 1111          /* check box: launch on Windows startup */
#define IDC_START_HIDDEN 1112               /* check box: start as an icon in the taskbar */
#define IDC_RUN_DEFAULT_AT_STARTUP 1114     /* check box: run the default file on startup */
#define IDC_DEFAULT_CONFIG_FILE 1122        /* text box: the default configuration file */
#define IDC_BROWSE_DEFAULT_CONFIG_FILE 1132 /* "&Browse" for the default file */
/* Switching, in the "Switching" frame. A rule is added with IDC_ADD_RULE (the "Add Rule"
   dialog: its first drop-down lists the programs of the windows open now by file name; OK
   adds the chosen one with the first configuration); the selected rule's configuration is
   chosen with CB_SETCURSEL on IDC_RULE_CONFIGURATION, then
   WM_COMMAND(MAKEWPARAM(IDC_RULE_CONFIGURATION, CBN_SELCHANGE)) to the dialog; a hotkey is set
   with HKM_SETHOTKEY on its control, then WM_COMMAND(MAKEWPARAM(id, EN_CHANGE)). */
#define IDC_FRAME_SWITCHING 1201
#define IDC_SWITCHING_ON 1211 /* "Switc&h configurations with the program in front" */
#define IDC_SWITCH_RULES 1212 /* list view "Program", "Configuration" (" (missing)") */
#define IDC_ADD_RULE 1213     /* "A&dd..." */
#define IDC_REMOVE_RULE 1214  /* "Re&move": the selected rule */
#define IDC_RULE_CONFIGURATION_LABEL 1215
#define IDC_RULE_CONFIGURATION 1216 /* drop-down: the selected rule's configuration */
#define IDC_NO_RULE_LABEL 1217      /* "Programs without a rule:" */
#define IDC_NO_RULE_KEEP 1218       /* "&Keep the running configuration" */
#define IDC_NO_RULE_DEFAULT 1219    /* "Run the default confi&guration" */
#define IDC_NO_RULE_STOP 1220       /* "S&top" */
#define IDC_HOTKEY_NEXT_LABEL 1221
#define IDC_HOTKEY_NEXT 1222 /* hotkey control "&Next configuration:" */
#define IDC_HOTKEY_PREVIOUS_LABEL 1223
#define IDC_HOTKEY_PREVIOUS 1224 /* hotkey control "&Previous configuration:" */
#define IDC_HOTKEY_RUN_STOP_LABEL 1225
#define IDC_HOTKEY_RUN_STOP 1226 /* hotkey control "R&un/Stop:" */
#define IDC_NOTIFY_SWITCH 1227   /* "Show a notificat&ion after a switch" */
/* The "Add Rule" dialog. */
#define IDC_ADD_RULE_PROGRAM 1301   /* drop-down: the programs of the windows open now */
#define IDC_ADD_RULE_BROWSE 1302    /* "&Browse...": an .exe file */
#define IDC_ADD_RULE_FULL_PATH 1303 /* "Match the &full path" */

/* About box controls. */
#include "ui/win32/about_ids.h"

#ifndef RC_INVOKED
/* Window classes: the main window and the splash window. The preferences dialog and the
   about box are dialogs (class "#32770") with the captions "Preferences" and "About Corvex". */
#define CORVEX_MAIN_WINDOW_CLASS L"CorvexForm1"
#define CORVEX_SPLASH_WINDOW_CLASS L"CorvexSplash"
/* The notification icon's callback message (WM_APP + 1), sent to the main window with the
   mouse message in lParam; the icon's id is 1. */
#define CORVEX_TRAY_MESSAGE (0x8000 + 1)
#define CORVEX_TRAY_ICON_ID 1
#endif
