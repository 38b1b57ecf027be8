// The updater's resources for the Linux build: the dialog templates, the
// tray menu and the icon group, with the ids, classes, texts, styles and
// positions of the Windows resource script.
#include <windows.h>
#include <commctrl.h>

#include "port/resources.h"
#include "ui/icon_data_posix.h"
#include "ui/resource.h"

namespace {

constexpr WORD kChinesePrc = 0x0804;
constexpr WORD kEnglishUs = 0x0409;

const port::DialogTemplate kMainDialog = {
    IDD_MAINDLG, kChinesePrc, u"自动更新", u"MS Shell Dlg", 8,
    WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT | DS_FIXEDSYS, 0,
    0, 0, 287, 39,
    {
        {IDC_PROGRESS, PROGRESS_CLASSW, u"", WS_CHILD | WS_VISIBLE | WS_BORDER, 0,
         3, 21, 280, 14},
        {IDC_STATUS, WC_STATICW, u"正在准备安装文件....",
         WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 0, 5, 6, 269, 8},
    }};

const port::DialogTemplate kAboutBox = {
    IDD_ABOUTBOX, kEnglishUs, u"About", u"MS Shell Dlg", 8,
    DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0,
    0, 0, 187, 102,
    {
        {0xFFFF, WC_BUTTONW, u"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 7, 7, 115, 88},
        {0xFFFF, WC_STATICW, u"#128", WS_CHILD | WS_VISIBLE | SS_ICON, 0, 55, 26, 18, 20},
        {0xFFFF, WC_STATICW, u"updater Application v1.0\n\n(c) Copyright 2014",
         WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 25, 57, 78, 32},
        {IDOK, WC_BUTTONW, u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
         0, 130, 81, 50, 14},
    }};

const port::MenuTemplate kTrayMenu = {
    IDR_TRAY_MENU, kChinesePrc, {{u"_POPUP_", 0, 0, {{u"显示", ID_SHOW, 0, {}}}}}};

const port::IconGroupTemplate kUpdaterIcon = {
    IDR_MAINFRAME,
    {kUpdaterIconImages[0], kUpdaterIconImages[1], kUpdaterIconImages[2],
     kUpdaterIconImages[3]}};

const port::ResourceRegistration kMainDialogRegistration(kMainDialog);
const port::ResourceRegistration kAboutBoxRegistration(kAboutBox);
const port::ResourceRegistration kTrayMenuRegistration(kTrayMenu);
const port::ResourceRegistration kUpdaterIconRegistration(kUpdaterIcon);

}  // namespace
