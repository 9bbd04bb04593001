/* Everything of vantrel.exe a program outside it can name: window classes, command ids,
   control ids, dialog and resource names. Shared with the resource script, so only
   preprocessor definitions here. The ids are stable: end-to-end tests drive the program with
   them.

   Driving it from another process:
   - a command: PostMessage(main, WM_COMMAND, id, 0) with the id of a main-menu item, a
     toolbar button, an item of one of the two pop-up menus or a mapping button; a command
     whose item or button is disabled (or, for the file list's pop-up, hidden) does nothing,
     and no command runs while one of the program's boxes or dialogs is open (the main window
     is disabled then);
   - the toolbar: TB_GETSTATE(IDT_...) gives a button's state, TB_GETBUTTONTEXTW its tooltip;
   - the lists: LVM_GETITEMTEXTW and LVM_GETITEMSTATE; the configuration list's sub-item 1 is
     the entry name ("file3") and sub-item 2 the file state as decimal text;
   - mouse clicks on the lists and the tabs are read where they land, as a user's are.
   Use PostMessage for anything that opens a dialog or a box: SendMessage would wait in it. */
#pragma once

/* Resources. The program's icon is the named icon VANTREL_PROGRAM_ICON (the only named one,
   so the shell shows it first); the others have the numbers below. */
#define IDD_ABOUT 101       /* the about box, caption "About Vantrel" */
#define IDD_PREFERENCES 102 /* the preferences window, caption "Preferences" */

#define IDI_DEFAULT 201 /* the configuration file icon, also default.ico beside the program */
#define IDI_TOOL_OPEN 211
#define IDI_TOOL_NEW 212
#define IDI_TOOL_LOAD 213
#define IDI_TOOL_CLOSE 214
#define IDI_TOOL_SAVE 215
#define IDI_TOOL_SAVEAS 216
#define IDI_TOOL_CLONE 217
#define IDI_TOOL_DELETE 218
#define IDI_TOOL_ICON 219
#define IDI_TOOL_JOY 220
#define IDI_TOOL_RUN 221
#define IDI_TOOL_HELP 222
#define IDI_REC_OFF 231
#define IDI_REC_ON 232
#define IDI_TEST_OFF 233
#define IDI_TEST_ON 234
#define IDI_MARKER_NONE 241
#define IDI_MARKER_RECORD 242
#define IDI_MARKER_CHOSEN 243
#define IDI_ROW 251
#define IDI_ROW_HELD 252 /* a row whose button is held while testing */

/* Main window controls. */
#define IDC_CONFIGURATION_LIST 1001 /* SysListView32, icon view */
#define IDC_TABS 1002               /* SysTabControl32: one tab per open configuration */
#define IDC_MAPPING_LIST 1003       /* SysListView32, owner-data report view, 41 columns */
#define IDC_DEVICE_FRAME 1004       /* group box "Input Devices" */
#define IDC_DEVICE_LIST 1005        /* SysListView32, one column "DirectInput Devices" */
#define IDC_KEY_MAPPING_LABEL 1006  /* "Key Mapping:" */
#define IDC_KEY_MAPPING 1007        /* Edit, read-only */
#define IDC_RECORD 1011             /* "&Record" */
#define IDC_CLEAR_ROW 1012          /* "&Clear Row" */
#define IDC_CLEAR_ITEM 1013         /* "Clear &Item" */
#define IDC_TEST 1014               /* "T&est" */
#define IDC_REMOVE 1015             /* "Re&move" */
#define IDC_ADD 1016                /* "&Add" */
#define IDC_REPLACE 1017            /* "Re&place" */
#define IDC_TOOLBAR 1020            /* ToolbarWindow32 */
#define IDC_STATUS_BAR 1021         /* msctls_statusbar32, two parts */
#define IDC_DESCRIPTION_EDITOR 1022 /* Edit over a row's Description, hidden unless editing */
#define IDC_DESCRIPTION_SHADOW 1023 /* the editor's shadow */
#define IDC_START_HINT 1024         /* Static: what to do, while nothing is open or attached */

/* The test window ("Test Output Window", class VANTREL_TEST_WINDOW_CLASS). */
#define IDC_TEST_LOG 1101   /* Edit, multi-line, read-only: one key a line */
#define IDC_TEST_CLEAR 1102 /* "Clear" */
#define IDC_TEST_CLOSE 1103 /* "Close" */

/* Main menu: File, Tools, View, Options (a command of its own), Help. */
#define IDM_OPEN 40001    /* File: " &Open" */
#define IDM_NEW 40002     /* File: " &New" */
#define IDM_LOAD 40003    /* File: " &Load..." */
#define IDM_CLOSE 40004   /* File: " &Close" */
#define IDM_SAVE 40005    /* File: " &Save" */
#define IDM_SAVEAS 40006  /* File: " S&ave As..." */
#define IDM_EXIT 40007    /* File: " &Exit" */
#define IDM_CLONE 40011   /* Tools: " &Clone" */
#define IDM_DELETE 40012  /* Tools: " &Delete" */
#define IDM_ICON 40013    /* Tools: " Change &Icon..." */
#define IDM_JOY 40014     /* Tools: " Refresh Device &List" */
#define IDM_RUN 40015     /* Tools: " &Run" */
#define IDM_OPTIONS 40021 /* "&Options" */
/* View: the shift layer the mapping list shows, one checked: " &All Layers", " &Base Layer",
   " Layer &1" ... " Layer &7" (IDM_VIEW_LAYER_BASE + n). */
#define IDM_VIEW_ALL_LAYERS 40041
#define IDM_VIEW_LAYER_BASE 40042
#define IDM_CONTENTS 40031 /* Help: " &Contents..." (the user guide) */
#define IDM_ABOUT 40032    /* Help: " &About" */

/* Toolbar buttons; each button's text is its tooltip. */
#define IDT_OPEN 40101   /* "Open selected configuration" */
#define IDT_NEW 40102    /* "Create a new configuration" */
#define IDT_LOAD 40103   /* "Load a configuration file" */
#define IDT_CLOSE 40104  /* "Close Selected File" */
#define IDT_SAVE 40105   /* "Save" */
#define IDT_SAVEAS 40106 /* "Save as..." */
#define IDT_CLONE 40107  /* "Clone selected configuration" */
#define IDT_DELETE 40108 /* "Delete selected configuration" */
#define IDT_ICON 40109   /* "Change associated icon" */
#define IDT_JOY 40110    /* "Refresh input device list" */
#define IDT_RUN 40111    /* "Run configuration in Corvex" */
#define IDT_HELP 40112   /* "Help" */

/* The configuration list's pop-up menu; hidden items are left out of the shown menu. */
#define IDP_OPEN 40201   /* " Open" */
#define IDP_CLOSE 40202  /* " Close" */
#define IDP_NEW 40203    /* " Create New" */
#define IDP_LOAD 40204   /* " Load..." */
#define IDP_SAVE 40205   /* " Save" */
#define IDP_SAVEAS 40206 /* " Save As..." */
#define IDP_CLONE 40207  /* " Clone" */
#define IDP_DELETE 40208 /* " Delete" */
#define IDP_ICON 40209   /* " Change Icon" */

/* The mapping list's pop-up menu. */
#define IDP_MAPPING_RECORD 40301     /* "Record Key Mappings" / "Stop Recording" */
#define IDP_MAPPING_CLEAR_ROW 40302  /* "Clear Entire Row" */
#define IDP_MAPPING_CLEAR_ITEM 40303 /* "Clear Selected Item" */
#define IDP_MAPPING_TEST 40304       /* "Test Key Mappings" / "Stop Testing" */
#define IDP_MAPPING_REMOVE 40305     /* "Remove Items" */
#define IDP_MAPPING_ADD 40306        /* "Add Devices" */
#define IDP_MAPPING_REPLACE 40307    /* "Replace Device" */
#define IDP_MAPPING_DIAGONALS 40308  /* "Add Hat Diagonals" */
#define IDP_MAPPING_BAND 40309       /* "Add Axis Band" */
/* "Copy to Layer" > "Layer 1" ... "Layer 7": IDP_MAPPING_COPY_LAYER + n (1 to 7). */
#define IDP_MAPPING_COPY_LAYER 40310
/* "Set Key Cell" > "LAYER 1" ... "LAYER 7" (IDP_MAPPING_SET_LAYER + n), "POINTER UP", "POINTER
   DOWN", "POINTER LEFT", "POINTER RIGHT" (IDP_MAPPING_SET_POINTER + 0 to 3). */
#define IDP_MAPPING_SET_LAYER 40320
#define IDP_MAPPING_SET_POINTER 40330

/* The duplicate dialog, caption "Select Item": a group of rows that map the same button.
   Clicking a row (or selecting it) checks it and enables OK; OK keeps it, Skip and Skip All
   (and the title bar's close box, or Escape) keep all. */
#define IDD_DUPLICATE_ITEMS 110
#define IDC_DUPLICATE_FRAME 1201    /* group box "Duplicate Items" */
#define IDC_DUPLICATE_LABEL 1202    /* "Select item you wish to keep." */
#define IDC_DUPLICATE_LIST 1203     /* SysListView32, report view with check boxes, 6 columns */
#define IDC_DUPLICATE_SKIP 1204     /* "&Skip"; "&OK" is IDOK, disabled until a row is chosen */
#define IDC_DUPLICATE_SKIP_ALL 1205 /* "Skip &All" */

/* The replace dialog, caption "Replace Device": the device the selected row's device is
   replaced with. OK (IDOK) takes the drop-down's choice; Cancel (IDCANCEL) and the close box
   cancel. */
#define IDD_REPLACE_DEVICE 111
#define IDC_REPLACE_FRAME 1211   /* group box "Select Input Device" */
#define IDC_REPLACE_LABEL 1212   /* "Replace selected device with:" */
#define IDC_REPLACE_DEVICES 1213 /* ComboBox, drop-down list of the attached devices' names */

/* Preferences window controls (the folder, the check box, the timing boxes, Apply; OK and
   Cancel are IDOK and IDCANCEL). Its controls are driven as a user's: BM_CLICK on a check box
   or button, WM_SETTEXT on a text box, WM_VSCROLL (SB_LINEUP raises the value, SB_LINEDOWN
   lowers it; lParam = the scroll bar) to the dialog. */
#include "ui/win32/preferences_ids.h"

/* About box controls. */
#include "ui/win32/about_ids.h"

#ifndef RC_INVOKED
/* Window classes: the main window and the splash window. The about box and the preferences
   window are dialogs (class "#32770") with the captions "About Vantrel" and "Preferences". */
#define VANTREL_MAIN_WINDOW_CLASS L"VantrelMainWindow"
#define VANTREL_SPLASH_WINDOW_CLASS L"VantrelSplash"
#define VANTREL_TEST_WINDOW_CLASS L"VantrelTestWindow"
#define VANTREL_PROGRAM_ICON L"vantrel"
#endif
