// The accelerator tables. A key goes through the document window's table (129) first, then
// the main window's (128). Adding a key is adding a line here.
#include <QtCore/qnamespace.h>

#include <initializer_list>

#include "base/CommandIds.h"
#include "res/Resources.h"

namespace {

constexpr unsigned kNone = 0;
constexpr unsigned kShift = kAccelShift;
constexpr unsigned kCtrl = kAccelCtrl;
constexpr unsigned kAlt = kAccelAlt;

// clang-format off
// Main window: active whenever the program has the focus.
constexpr std::initializer_list<AccelEntry> kAccel128 = {
    {Qt::Key_A, kCtrl, ID_EDIT_SELECT_ALL},
    {Qt::Key_C, kCtrl, ID_EDIT_COPY},
    {Qt::Key_F, kCtrl, ID_EDIT_FIND},
    {Qt::Key_G, kCtrl, ID_JUMP_TO_LINE},
    {Qt::Key_H, kCtrl, ID_EDIT_REPLACE},
    {Qt::Key_L, kCtrl, ID_REDRAW},
    {Qt::Key_N, kCtrl, ID_FILE_NEW},
    {Qt::Key_O, kCtrl, ID_FILE_OPEN},
    {Qt::Key_S, kCtrl, ID_FILE_SAVE},
    {Qt::Key_V, kCtrl, ID_EDIT_PASTE},
    {Qt::Key_Backspace, kAlt, ID_EDIT_UNDO},
    {Qt::Key_Delete, kShift, ID_EDIT_CUT},
    {Qt::Key_F10, kNone, ID_CONTEXT_POPUP},
    {Qt::Key_F12, kNone, ID_FILE_SAVE_AS},
    {Qt::Key_F3, kNone, ID_FIND_NEXT},
    {Qt::Key_F5, kNone, ID_BOOKMARK_JUMP},
    {Qt::Key_F6, kNone, ID_NEXT_PANE},
    {Qt::Key_F6, kShift, ID_PREV_PANE},
    {Qt::Key_F8, kNone, ID_NEXT_ASTERISK},
    {Qt::Key_F9, kNone, ID_BOOKMARK_SET},
    {Qt::Key_F9, kAlt, ID_BOOKMARK_CLEAR_ALL},
    {Qt::Key_Insert, kCtrl, ID_EDIT_COPY},
    {Qt::Key_Insert, kShift, ID_EDIT_PASTE},
    {Qt::Key_X, kCtrl, ID_EDIT_CUT},
    {Qt::Key_Y, kCtrl, ID_EDIT_REDO},
    {Qt::Key_Z, kCtrl, ID_EDIT_UNDO},
    // Typesetting: keys the tables above leave free.
    {Qt::Key_T, kCtrl, ID_TYPESET},
    {Qt::Key_F4, kNone, ID_NEXT_ERROR},
    {Qt::Key_F4, kShift, ID_PREV_ERROR},
};

// Document windows: the editing keys of the view, tried before the main window's table, so
// a key defined in both acts as given here (Shift+Delete deletes a character, not cuts). The
// numbers do not follow the key order everywhere (document start and end): the ids are the
// binding.
constexpr std::initializer_list<AccelEntry> kAccel129 = {
    {Qt::Key_Up, kNone, ID_LINE_UP},
    {Qt::Key_Up, kShift, ID_LINE_UP_EXTEND},
    {Qt::Key_Up, kCtrl, ID_SCROLL_UP},
    {Qt::Key_Up, kCtrl | kShift, ID_SCROLL_UP_EXTEND},
    {Qt::Key_Down, kNone, ID_LINE_DOWN},
    {Qt::Key_Down, kShift, ID_LINE_DOWN_EXTEND},
    {Qt::Key_Down, kCtrl, ID_SCROLL_DOWN},
    {Qt::Key_Down, kCtrl | kShift, ID_SCROLL_DOWN_EXTEND},
    {Qt::Key_Left, kNone, ID_CHAR_LEFT},
    {Qt::Key_Left, kShift, ID_CHAR_LEFT_EXTEND},
    {Qt::Key_Left, kCtrl, ID_WORD_LEFT},
    {Qt::Key_Left, kCtrl | kShift, ID_WORD_LEFT_EXTEND},
    {Qt::Key_Right, kNone, ID_CHAR_RIGHT},
    {Qt::Key_Right, kShift, ID_CHAR_RIGHT_EXTEND},
    {Qt::Key_Right, kCtrl, ID_WORD_RIGHT},
    {Qt::Key_Right, kCtrl | kShift, ID_WORD_RIGHT_EXTEND},
    {Qt::Key_Home, kNone, ID_LINE_START},
    {Qt::Key_Home, kShift, ID_LINE_START_EXTEND},
    {Qt::Key_Home, kCtrl, ID_DOC_START},
    {Qt::Key_Home, kCtrl | kShift, ID_DOC_START_EXTEND},
    {Qt::Key_End, kNone, ID_LINE_END},
    {Qt::Key_End, kShift, ID_LINE_END_EXTEND},
    {Qt::Key_End, kCtrl, ID_DOC_END},
    {Qt::Key_End, kCtrl | kShift, ID_DOC_END_EXTEND},
    {Qt::Key_PageUp, kNone, ID_PAGE_UP},
    {Qt::Key_PageUp, kShift, ID_PAGE_UP_EXTEND},
    {Qt::Key_PageDown, kNone, ID_PAGE_DOWN},
    {Qt::Key_PageDown, kShift, ID_PAGE_DOWN_EXTEND},
    {Qt::Key_Backspace, kNone, ID_BACKSPACE},
    {Qt::Key_Backspace, kShift, ID_BACKSPACE},
    {Qt::Key_Backspace, kCtrl, ID_WORD_BACKSPACE},
    {Qt::Key_Delete, kNone, ID_EDIT_DELETE},
    {Qt::Key_Delete, kShift, ID_EDIT_DELETE},
    {Qt::Key_Delete, kCtrl, ID_WORD_DELETE},
    {Qt::Key_Insert, kNone, ID_TOGGLE_OVERWRITE},
};
// clang-format on

std::span<const AccelEntry> AsSpan(std::initializer_list<AccelEntry> list) {
  return {list.begin(), list.size()};
}

}  // namespace

std::span<const AccelEntry> AcceleratorResource(int id) {
  switch (id) {
    case IDR_MAINFRAME:
      return AsSpan(kAccel128);
    case IDR_TEXTYPE:
      return AsSpan(kAccel129);
    default:
      return {};
  }
}
