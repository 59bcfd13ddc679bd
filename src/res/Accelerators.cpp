// The accelerator tables. A key goes through the document window's table (129) first, then
// the main window's (128). Adding a key is adding a line here.
#include <QtCore/qnamespace.h>

#include <initializer_list>

#include "res/CommandIds.h"
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
};

// Document windows: the editing keys of the view, tried before the main window's table, so
// a key defined in both acts as given here.
constexpr std::initializer_list<AccelEntry> kAccel129 = {};
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
