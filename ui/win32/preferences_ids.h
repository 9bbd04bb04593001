/* The controls both programs' preferences dialogs have (see preferences_controls.h); OK and
   Cancel are IDOK and IDCANCEL. Included by the programs' id headers and resource scripts. */
#pragma once
#define IDC_FRAME_FOLDER 1102         /* "Default Configuration Folder" */
#define IDC_FRAME_OPTIONS 1103        /* "Options" */
#define IDC_ASSOCIATE_FILES 1113      /* check box: the program's association of *.qmf files */
#define IDC_EXTENDED_KEYS 1115        /* check box: the navigation keys sent as extended keys */
#define IDC_EXACT_POINTER 1116        /* check box: the pointer moved by exact pixels */
#define IDC_CONFIG_FOLDER 1121        /* text box: the configuration folder */
#define IDC_BROWSE_CONFIG_FOLDER 1131 /* "&Browse" for the folder */
/* The timing boxes: text box, scroll bar and label of each. */
#define IDC_KEY_HOLD 1141
#define IDC_KEY_HOLD_SCROLL 1142
#define IDC_KEY_HOLD_LABEL 1143
#define IDC_REPEAT_DELAY 1151
#define IDC_REPEAT_DELAY_SCROLL 1152
#define IDC_REPEAT_DELAY_LABEL 1153
#define IDC_ROTARY_THRESHOLD 1161
#define IDC_ROTARY_THRESHOLD_SCROLL 1162
#define IDC_ROTARY_THRESHOLD_LABEL 1163
#define IDC_APPLY 1171 /* "&Apply" */
