// String-table ids of the file list's texts: one block per language, the same order in each.
#pragma once

#define DVT_ENGLISH 3000
#define DVT_GERMAN 3100
#define DVT_FRENCH 3200

#define DVT_COL_NAME 0
#define DVT_COL_SIZE 1
#define DVT_COL_TYPE 2
#define DVT_COL_CHANGED 3
#define DVT_COL_ATTR 4
#define DVT_OPEN_FAILURE 5
#define DVT_RENAME_FAILURE 6
#define DVT_NAME_EXISTS 7
#define DVT_INVALID_NAME 8
#define DVT_FILE_TYPE 9
#define DVT_DRAG_FILES 10
#define DVT_DRAG_DIRS 11
// The highest role: every block holds a text for each role up to it.
#define DVT_LAST_TEXT DVT_DRAG_DIRS
