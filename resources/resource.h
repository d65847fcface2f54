// Identifiers shared by the resource script and the code.
#pragma once

// String table: texts the program shows.
#define IDS_ALL 100
#define IDS_METAFILES 101
#define IDS_ENHMETAFILES 102
#define IDS_ICONS 103
#define IDS_BITMAPS 104
#define IDS_JPEG 105

// The file dialog's placeholder for its own controls (stc32).
#define IDC_FILEDLG_PLACEHOLDER 0x045F

