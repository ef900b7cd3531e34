// Resource identifiers of the upgrade patch.
#pragma once

// About box
#define IDD_ABOUTBOX     100
#define IDS_ABOUTBOX     101
// Main dialog
#define IDD_PATCH_DIALOG 102
#define IDC_START        1000
// Application icon group
#define IDR_MAINFRAME    128
// System-menu command of the About entry: a multiple of 16 below 0xF000, as system commands are.
#define IDM_ABOUTBOX     0x0010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
