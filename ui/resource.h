// Identifiers of the updater's resources, controls, commands and messages.
#ifndef UI_RESOURCE_H_
#define UI_RESOURCE_H_

#define IDD_ABOUTBOX 100
#define IDR_MAINFRAME 128
#define IDD_MAINDLG 129
#define IDR_TRAY_MENU 201
#define IDC_PROGRESS 1000
#define IDC_STATUS 1001
#define ID_SHOW 32778
#define ID_APP_ABOUT 57664

// The tray icon's callback message to the dialog.
#define WM_TRAYICON (WM_USER + 111)

#endif  // UI_RESOURCE_H_
