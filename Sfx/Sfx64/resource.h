// Resource ids shared by Sfx64.rc and the code that uses the resources.
#pragma once

#define IDI_APP             102
#define IDD_DESTINATION     103

// Controls of the destination dialog.
#define IDC_DEST_EDIT       1000
#define IDC_BROWSE          1001
#define IDC_START_MENU      1002
#define IDC_DESKTOP         1003
#define IDC_SEND_TO         1004

// Abort button of the progress window; that window is built in code, not
// from a dialog template, but the id lives here so ids never collide.
#define ID_ABORT            1017

#ifndef IDC_STATIC
#define IDC_STATIC          (-1)
#endif
