/* The controls of a program's about box (see about_box.h); its button is IDOK. Included by the
   programs' resource scripts. */
#pragma once
#define IDC_ABOUT_ICON 1201
#define IDC_ABOUT_TITLE 1202
#define IDC_ABOUT_VERSION 1203
#define IDC_ABOUT_TEXT 1204
#define IDC_ABOUT_GUIDE 1205 /* the user guide's folder, read-only */
