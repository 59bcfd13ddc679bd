#pragma once
// The program's resources as data: menus, accelerator tables, dialog texts and the string
// table. Texts are UTF-8, letter for letter as the user sees them. Standard C++ here; the
// shell turns them into widgets.
#include <span>
#include <string_view>

// Resource ids: 128 the main window, 129 the document windows, 147 the edit popup (its one
// sub-menu is the popup).
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_TEXTYPE = 129;
inline constexpr int IDR_EDIT_POPUP = 147;

// String ids (command ids double as the ids of their status prompts).
inline constexpr int IDS_APP_TITLE = 57344;
inline constexpr int IDS_IDLE_MESSAGE = 57345;
inline constexpr int IDS_FILE_ERROR = 61216;
inline constexpr int IDS_COLOR_TEXT = 61217;
inline constexpr int IDS_COLOR_BK = 61218;
inline constexpr int IDS_COLOR_SEL_TEXT = 61219;
inline constexpr int IDS_COLOR_SEL_BK = 61220;
inline constexpr int IDS_COLOR_GROUND = 61221;
inline constexpr int IDS_COLOR_MARGIN = 61222;
// Text that code page 932 cannot hold, each with %1 for its first such character.
inline constexpr int IDS_TYPED_NOT_CP932 = 61223;
inline constexpr int IDS_PASTE_NOT_CP932 = 61224;
inline constexpr int IDS_FIND_NOT_CP932 = 61225;
// Where the old text of a file is kept when a failed save could not put it back (%1).
inline constexpr int IDS_FILE_BACKUP_KEPT = 61226;
// The settings profile (%1): set aside (to %2) because parts of it could not be read; not saved.
inline constexpr int IDS_PROFILE_SET_ASIDE = 61227;
inline constexpr int IDS_PROFILE_NOT_SAVED = 61228;
// The macro file dialog's one file type, and what the status bar adds when a macro file could
// not be read to its end.
inline constexpr int IDS_MACRO_FILTER = 61229;
inline constexpr int IDS_MACRO_READ_CUT_SHORT = 61230;
// Typesetting: the output pane, the busy indicator and what the status bar says. The %1, %2 ...
// of RUNNING: program, step, steps; EXIT_STATUS: program, status; NOT_STARTED and CRASHED:
// program; COUNTS: errors, warnings, bad boxes; UNCLOSED_QUOTE: line; ENTRY: number, count,
// kind, message; NO_PDF and PDF_FAILED: path.
inline constexpr int IDS_TYPESET_PANE_TITLE = 61300;
inline constexpr int IDS_TYPESET_RUNNING = 61301;
inline constexpr int IDS_TYPESET_BUSY = 61302;
inline constexpr int IDS_TYPESET_SUCCEEDED = 61303;
inline constexpr int IDS_TYPESET_EXIT_STATUS = 61304;
inline constexpr int IDS_TYPESET_NOT_STARTED = 61305;
inline constexpr int IDS_TYPESET_CRASHED = 61306;
inline constexpr int IDS_TYPESET_STOPPED = 61307;
inline constexpr int IDS_TYPESET_COUNTS = 61308;
inline constexpr int IDS_TYPESET_NO_COMMAND = 61309;
inline constexpr int IDS_TYPESET_UNCLOSED_QUOTE = 61310;
inline constexpr int IDS_TYPESET_NO_ENTRIES = 61311;
inline constexpr int IDS_TYPESET_NO_NEXT = 61312;
inline constexpr int IDS_TYPESET_NO_PREVIOUS = 61313;
inline constexpr int IDS_TYPESET_ENTRY = 61314;
inline constexpr int IDS_TYPESET_KIND_ERROR = 61315;
inline constexpr int IDS_TYPESET_KIND_WARNING = 61316;
inline constexpr int IDS_TYPESET_KIND_BAD_BOX = 61317;
inline constexpr int IDS_TYPESET_NO_PDF = 61318;
inline constexpr int IDS_TYPESET_PDF_FAILED = 61319;
inline constexpr int IDS_SAVE_AS_TITLE = 61440;
inline constexpr int IDS_ALL_FILES_FILTER = 61444;
inline constexpr int IDS_INVALID_FILENAME = 61696;
inline constexpr int IDS_FAILED_TO_OPEN_DOC = 61697;
inline constexpr int IDS_FAILED_TO_SAVE_DOC = 61698;
inline constexpr int IDS_ASK_TO_SAVE = 61699;
inline constexpr int IDS_PARSE_INT = 61712;
// An integer outside the range from %1 to %2.
inline constexpr int IDS_PARSE_INT_RANGE = 61713;
// File error causes, each with %1 for the file's name.
inline constexpr int IDS_FILE_GENERIC = 61857;
inline constexpr int IDS_FILE_NOT_FOUND = 61858;
inline constexpr int IDS_FILE_BAD_PATH = 61859;
inline constexpr int IDS_FILE_TOO_MANY_OPEN = 61860;
inline constexpr int IDS_FILE_ACCESS_DENIED = 61861;
inline constexpr int IDS_FILE_INVALID_FILE = 61862;
inline constexpr int IDS_FILE_REMOVE_CURRENT_DIR = 61863;
inline constexpr int IDS_FILE_DIRECTORY_FULL = 61864;
inline constexpr int IDS_FILE_BAD_SEEK = 61865;
inline constexpr int IDS_FILE_HARD_IO = 61866;
inline constexpr int IDS_FILE_SHARING_VIOLATION = 61867;
inline constexpr int IDS_FILE_LOCK_VIOLATION = 61868;
inline constexpr int IDS_FILE_DISK_FULL = 61869;
inline constexpr int IDS_FILE_END_OF_FILE = 61870;

// The string, or an empty view when the table has no such id.
std::string_view ResourceString(int id);
// The part of a command's string before its line feed: what the status bar shows while the
// command's menu item is highlighted.
std::string_view StatusPrompt(int id);
// Field `index` (from 0) of a string whose fields are separated by line feeds; empty when the
// string has fewer fields. The document template's string 129 is read this way.
std::string_view StringField(int id, int index);

// Template string fields (string IDR_TEXTYPE).
inline constexpr int kDocFieldWindowTitle = 0;
inline constexpr int kDocFieldDocName = 1;
inline constexpr int kDocFieldFileNewName = 2;
inline constexpr int kDocFieldFilterName = 3;
inline constexpr int kDocFieldFilterExt = 4;
inline constexpr int kDocFieldRegFileTypeId = 5;
inline constexpr int kDocFieldRegFileTypeName = 6;

// Dialog templates: each dialog's title and the text of each of its controls, by control id.
inline constexpr int IDD_READ_EXT = 130;
inline constexpr int IDD_NEW_EXT = 131;
inline constexpr int IDD_JUMP = 133;
inline constexpr int IDD_SETTINGS = 146;
// The modeless find and replace dialog in its two forms.
inline constexpr int IDD_FIND = 1540;
inline constexpr int IDD_REPLACE = 1541;
inline constexpr int IDD_TYPESET = 150;

// Control ids; the dialogs name their widgets after them. OK and Cancel do not take the names
// some system headers define as macros.
inline constexpr int IDC_OK = 1;
inline constexpr int IDC_CANCEL = 2;
inline constexpr int IDC_LINE_NUMBER = 1000;
inline constexpr int IDC_EXT_LIST = 1001;
inline constexpr int IDC_REGISTER_EXT = 1004;
inline constexpr int IDC_DELETE_EXT = 1005;
inline constexpr int IDC_STANDARD_EXT = 1022;
inline constexpr int IDC_COLOR_LIST = 1023;
inline constexpr int IDC_TAB_SIZE = 1024;
inline constexpr int IDC_CHOOSE_COLOR = 1034;
inline constexpr int IDC_AUTO_INDENT = 1036;
inline constexpr int IDC_READ_EXT_LIST = 1037;
inline constexpr int IDC_NEW_EXT = 1038;
// The find and replace dialog; its Find Next button is IDC_OK, its Cancel IDC_CANCEL.
inline constexpr int IDC_REPLACE = 1024;
inline constexpr int IDC_REPLACE_ALL = 1025;
inline constexpr int IDC_WHOLE_WORD = 1040;
inline constexpr int IDC_MATCH_CASE = 1041;
inline constexpr int IDC_UP = 1056;
inline constexpr int IDC_DOWN = 1057;
inline constexpr int IDC_FIND_WHAT = 1152;
inline constexpr int IDC_REPLACE_WITH = 1153;
inline constexpr int IDC_TYPESET_COMMAND = 1060;
inline constexpr int IDC_PRESET_PLATEX = 1061;
inline constexpr int IDC_PRESET_UPLATEX = 1062;
inline constexpr int IDC_PRESET_LATEXMK = 1063;
inline constexpr int IDC_TYPESET_OPEN_PDF = 1064;
// Labels and frames that no code addresses: negative ids, unique within their dialog.
inline constexpr int IDC_LABEL_NEW_EXT = -1;
inline constexpr int IDC_LABEL_LINE_NUMBER = -1;
inline constexpr int IDC_LABEL_TAB_SIZE = -1;
inline constexpr int IDC_LABEL_STANDARD_EXT = -2;
inline constexpr int IDC_GROUP_COLORS = -3;
inline constexpr int IDC_LABEL_COLOR_HINT = -4;
inline constexpr int IDC_LABEL_FIND_WHAT = -1;
inline constexpr int IDC_LABEL_REPLACE_WITH = -2;
inline constexpr int IDC_GROUP_DIRECTION = -3;
inline constexpr int IDC_LABEL_TYPESET_COMMAND = -4;
inline constexpr int IDC_LABEL_PRESETS = -5;

struct DialogItem {
  int id = 0;
  std::string_view text;
};
struct DialogResource {
  std::string_view title;
  std::span<const DialogItem> items;  // in tab order
};
// An empty title and no items for an unknown id.
DialogResource DialogTemplate(int id);
// The text of one control of a dialog; empty when the dialog has no such control.
std::string_view DialogItemText(int dialog, int control);

// A menu as a flat list: a popup opens a level, EndPopup closes it. An item shows its label,
// then, after a tab, its shortcut text; the text is only shown, no key is bound by it.
enum class MenuKind { Item, Separator, Popup, EndPopup };
struct MenuEntry {
  MenuKind kind = MenuKind::Item;
  int id = 0;
  std::string_view label;
  std::string_view shortcut;
  bool grayed = false;
};
// Empty for an unknown id.
std::span<const MenuEntry> MenuResource(int id);

// One accelerator: a key with its modifiers gives a command. Keys are the toolkit's key codes
// (the key itself, not the character it types); modifiers are the bits below, exactly.
inline constexpr unsigned kAccelShift = 1;
inline constexpr unsigned kAccelCtrl = 2;
inline constexpr unsigned kAccelAlt = 4;
struct AccelEntry {
  int key = 0;
  unsigned modifiers = 0;
  int command = 0;
};
// Empty for an unknown id (and for a table that has no entries yet).
std::span<const AccelEntry> AcceleratorResource(int id);
