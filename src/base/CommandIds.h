#pragma once
// Every command identifier of the program. Menus, accelerator tables, status prompts and the
// command tables of the classes all name commands through these constants. Standard C++,
// so that the core's command tables and the shell's menus and keys share them.

// Standard commands, 57600 upward.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_CLOSE = 57602;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_MRU_FIRST = 57616;  // recent-file entries, one id each
inline constexpr int ID_FILE_MRU_LAST = 57631;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_FIND = 57636;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_REPLACE = 57641;
inline constexpr int ID_EDIT_SELECT_ALL = 57642;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_REDO = 57644;
inline constexpr int ID_WINDOW_NEW = 57648;
inline constexpr int ID_WINDOW_ARRANGE = 57649;
inline constexpr int ID_WINDOW_CASCADE = 57650;
inline constexpr int ID_WINDOW_TILE = 57651;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;

// Status-bar panes.
inline constexpr int ID_INDICATOR_MESSAGE = 0;
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;

// The document window's caret and delete keys. Numbers do not follow the key order
// everywhere (document start and end); the values are the binding.
inline constexpr int ID_LINE_UP = 32773;
inline constexpr int ID_LINE_UP_EXTEND = 32774;
inline constexpr int ID_SCROLL_UP = 32775;
inline constexpr int ID_SCROLL_UP_EXTEND = 32776;
inline constexpr int ID_LINE_DOWN = 32777;
inline constexpr int ID_LINE_DOWN_EXTEND = 32778;
inline constexpr int ID_SCROLL_DOWN = 32779;
inline constexpr int ID_SCROLL_DOWN_EXTEND = 32800;
inline constexpr int ID_CHAR_LEFT = 32801;
inline constexpr int ID_CHAR_LEFT_EXTEND = 32802;
inline constexpr int ID_WORD_LEFT = 32803;
inline constexpr int ID_WORD_LEFT_EXTEND = 32804;
inline constexpr int ID_CHAR_RIGHT = 32805;
inline constexpr int ID_CHAR_RIGHT_EXTEND = 32806;
inline constexpr int ID_WORD_RIGHT = 32807;
inline constexpr int ID_WORD_RIGHT_EXTEND = 32808;
inline constexpr int ID_LINE_START = 32809;
inline constexpr int ID_LINE_START_EXTEND = 32810;
inline constexpr int ID_DOC_START_EXTEND = 32811;
inline constexpr int ID_DOC_START = 32812;
inline constexpr int ID_LINE_END = 32813;
inline constexpr int ID_DOC_END = 32814;
inline constexpr int ID_LINE_END_EXTEND = 32815;
inline constexpr int ID_DOC_END_EXTEND = 32816;
inline constexpr int ID_BACKSPACE = 32817;
inline constexpr int ID_WORD_BACKSPACE = 32818;
inline constexpr int ID_EDIT_DELETE = 32819;
inline constexpr int ID_WORD_DELETE = 32820;
inline constexpr int ID_TOGGLE_OVERWRITE = 32821;
inline constexpr int ID_PAGE_UP = 32822;
inline constexpr int ID_PAGE_UP_EXTEND = 32823;
inline constexpr int ID_PAGE_DOWN = 32824;
inline constexpr int ID_PAGE_DOWN_EXTEND = 32825;

// The program's other commands.
inline constexpr int ID_CLEAR_UNDO = 32826;
inline constexpr int ID_JUMP_TO_LINE = 32827;
inline constexpr int ID_FIND_NEXT = 32828;
inline constexpr int ID_NEXT_ASTERISK = 32829;
inline constexpr int ID_ZOOM_IN = 32840;
inline constexpr int ID_ZOOM_OUT = 32841;
inline constexpr int ID_ZOOM_DEFAULT = 32842;
inline constexpr int ID_BOOKMARK_SET = 32850;
inline constexpr int ID_BOOKMARK_JUMP = 32851;
inline constexpr int ID_BOOKMARK_CLEAR_ALL = 32852;
inline constexpr int ID_CONTEXT_POPUP = 32860;
inline constexpr int ID_MACRO_FILE = 32861;
inline constexpr int ID_SETTINGS = 32862;
inline constexpr int ID_REDRAW = 32864;

// Typesetting.
inline constexpr int ID_TYPESET = 32900;
inline constexpr int ID_TYPESET_STOP = 32901;
inline constexpr int ID_NEXT_ERROR = 32902;
inline constexpr int ID_PREV_ERROR = 32903;
inline constexpr int ID_OPEN_PDF = 32904;
inline constexpr int ID_VIEW_TYPESET_PANE = 32905;
inline constexpr int ID_TYPESET_SETTINGS = 32906;

// Macro entries, numbered at load time in file order.
inline constexpr int ID_MACRO_FIRST = 33000;
inline constexpr int ID_MACRO_LAST = 37999;

// The document windows' list at the end of the window menu: up to nine.
inline constexpr int ID_WINDOW_CHILD_FIRST = 65280;
inline constexpr int ID_WINDOW_CHILD_LAST = ID_WINDOW_CHILD_FIRST + 8;
