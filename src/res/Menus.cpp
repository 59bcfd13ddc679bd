// Menu 128 is shown while no document is open, menu 129 while one is. Menu 147 holds the edit
// popup, the context popup of a view without a macro menu or with Shift held.
#include "base/CommandIds.h"
#include "res/Resources.h"

namespace {

constexpr MenuEntry Popup(std::string_view label) { return {MenuKind::Popup, 0, label, {}, false}; }
constexpr MenuEntry EndPopup() { return {MenuKind::EndPopup, 0, {}, {}, false}; }
constexpr MenuEntry Separator() { return {MenuKind::Separator, 0, {}, {}, false}; }
constexpr MenuEntry Item(int id, std::string_view label, std::string_view shortcut = {}) {
  return {MenuKind::Item, id, label, shortcut, false};
}
constexpr MenuEntry GrayedItem(int id, std::string_view label) {
  return {MenuKind::Item, id, label, {}, true};
}

// clang-format off
// The recent-file item is a greyed placeholder; the shell puts the recent files in its place.
constexpr MenuEntry kMenu128[] = {
    Popup("ﾌｧｲﾙ(&F)"),
    Item(ID_FILE_NEW, "新規作成(&N)", "Ctrl+N"),
    Item(ID_FILE_OPEN, "開く(&O)...", "Ctrl+O"),
    Separator(),
    GrayedItem(ID_FILE_MRU_FIRST, "最近使ったﾌｧｲﾙ"),
    Separator(),
    Item(ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"),
    EndPopup(),
    Popup("表示(&V)"),
    Item(ID_VIEW_STATUS_BAR, "ｽﾃｰﾀｽ ﾊﾞｰ(&S)"),
    EndPopup(),
};
constexpr MenuEntry kMenu129[] = {
    Popup("ﾌｧｲﾙ(&F)"),
    Item(ID_FILE_NEW, "新規作成(&N)", "Ctrl+N"),
    Item(ID_FILE_OPEN, "開く(&O)...", "Ctrl+O"),
    Item(ID_FILE_CLOSE, "閉じる(&C)", "Ctrl+F4"),
    Item(ID_FILE_SAVE, "上書き保存(&S)", "Ctrl+S"),
    Item(ID_FILE_SAVE_AS, "名前を付けて保存(&A)...", "F12"),
    Separator(),
    GrayedItem(ID_FILE_MRU_FIRST, "最近使ったﾌｧｲﾙ"),
    Separator(),
    Item(ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"),
    EndPopup(),
    Popup("編集(&E)"),
    Item(ID_EDIT_UNDO, "元に戻す(&U)", "Ctrl+Z"),
    Item(ID_EDIT_REDO, "やり直し(&R)", "Ctrl+Y"),
    Separator(),
    Item(ID_EDIT_CUT, "切り取り(&T)", "Ctrl+X"),
    Item(ID_EDIT_COPY, "ｺﾋﾟｰ(&C)", "Ctrl+C"),
    Item(ID_EDIT_PASTE, "貼り付け(&P)", "Ctrl+V"),
    Item(ID_EDIT_DELETE, "削除(&D)", "Delete, Back"),
    Item(ID_EDIT_SELECT_ALL, "すべて選択(&L)", "Ctrl+A"),
    Separator(),
    Item(ID_EDIT_FIND, "検索(&F)", "Ctrl+F"),
    Item(ID_EDIT_REPLACE, "置換(&E)", "Ctrl+H"),
    Separator(),
    Item(ID_JUMP_TO_LINE, "ジャンプ(&G)", "Ctrl+G"),
    Item(ID_BOOKMARK_JUMP, "ブックマークの位置にジャンプ"),
    Separator(),
    Item(ID_CLEAR_UNDO, "Undo/Redo バッファのクリア"),
    EndPopup(),
    Popup("表示・設定(&V)"),
    Item(ID_VIEW_STATUS_BAR, "ｽﾃｰﾀｽ ﾊﾞｰ(&S)"),
    Popup("フォント"),
    Item(ID_ZOOM_IN, "大きくする", "Ctrl+Wheel"),
    Item(ID_ZOOM_OUT, "小さくする", "Ctrl+Wheel"),
    Item(ID_ZOOM_DEFAULT, "元に戻す"),
    EndPopup(),
    Separator(),
    Item(ID_MACRO_FILE, "ポップアップメニューの設定"),
    Separator(),
    Item(ID_SETTINGS, "各種設定"),
    EndPopup(),
    Popup("ｳｨﾝﾄﾞｳ(&W)"),
    Item(ID_WINDOW_NEW, "新しいｳｨﾝﾄﾞｳを開く(&N)"),
    Item(ID_WINDOW_CASCADE, "重ねて表示(&C)"),
    Item(ID_WINDOW_TILE, "並べて表示(&T)"),
    Item(ID_WINDOW_ARRANGE, "ｱｲｺﾝの整列(&A)"),
    EndPopup(),
    Popup("ブックマーク"),
    Item(ID_BOOKMARK_SET, "ブックマークをセット", "F9"),
    Item(ID_BOOKMARK_JUMP, "ブックマークの位置にジャンプ", "F5"),
    Separator(),
    Item(ID_BOOKMARK_CLEAR_ALL, "ブックマークを全部削除", "Alt+F9"),
    EndPopup(),
    Popup("タイプセット(&T)"),
    Item(ID_TYPESET, "タイプセット", "Ctrl+T"),
    Item(ID_TYPESET_STOP, "中止"),
    Separator(),
    Item(ID_NEXT_ERROR, "次のエラー", "F4"),
    Item(ID_PREV_ERROR, "前のエラー", "Shift+F4"),
    Separator(),
    Item(ID_OPEN_PDF, "PDF を開く"),
    Separator(),
    Item(ID_VIEW_TYPESET_PANE, "出力ペイン"),
    Item(ID_TYPESET_SETTINGS, "タイプセットの設定..."),
    EndPopup(),
};
constexpr MenuEntry kMenu147[] = {
    Popup("POPUP"),
    Item(ID_EDIT_CUT, "切り取り"),
    Item(ID_EDIT_COPY, "コピー"),
    Item(ID_EDIT_DELETE, "削除"),
    Item(ID_EDIT_PASTE, "貼り付け"),
    Separator(),
    Item(ID_EDIT_FIND, "検索"),
    Item(ID_EDIT_REPLACE, "置換"),
    Separator(),
    Item(ID_EDIT_UNDO, "Undo"),
    Item(ID_EDIT_REDO, "Redo"),
    EndPopup(),
};
// clang-format on

}  // namespace

std::span<const MenuEntry> MenuResource(int id) {
  switch (id) {
    case IDR_MAINFRAME:
      return kMenu128;
    case IDR_TEXTYPE:
      return kMenu129;
    case IDR_EDIT_POPUP:
      return kMenu147;
    default:
      return {};
  }
}
