// The dialog templates: titles and control texts of the modal dialogs.
#include <algorithm>
#include <iterator>

#include "res/Resources.h"

namespace {

// Items in tab order, one a line.
// clang-format off
constexpr DialogItem kReadExt[] = {
    {IDC_EXT_LIST, ""},
    {IDC_REGISTER_EXT, "新規登録"},
    {IDC_DELETE_EXT, "削除"},
    {IDC_OK, "OK"},
    {IDC_CANCEL, "ｷｬﾝｾﾙ"},
};

constexpr DialogItem kNewExt[] = {
    {IDC_LABEL_NEW_EXT, "新しい拡張子"},
    {IDC_NEW_EXT, ""},
    {IDC_OK, "OK"},
    {IDC_CANCEL, "ｷｬﾝｾﾙ"},
};

constexpr DialogItem kJump[] = {
    {IDC_LABEL_LINE_NUMBER, "行番号"},
    {IDC_LINE_NUMBER, ""},
    {IDC_OK, "OK"},
    {IDC_CANCEL, "ｷｬﾝｾﾙ"},
};

constexpr DialogItem kSettings[] = {
    {IDC_LABEL_TAB_SIZE, "タブサイズ"},
    {IDC_TAB_SIZE, ""},
    {IDC_LABEL_STANDARD_EXT, "標準拡張子"},
    {IDC_STANDARD_EXT, ""},
    {IDC_AUTO_INDENT, "オートインデント機能"},
    {IDC_READ_EXT_LIST, "読みこみの際の拡張子の設定"},
    {IDC_GROUP_COLORS, "色の設定"},
    {IDC_CHOOSE_COLOR, "色の選択"},
    {IDC_LABEL_COLOR_HINT, "選択したい色を下から選んで\nボタンを押してください"},
    {IDC_COLOR_LIST, ""},
    {IDC_OK, "OK"},
    {IDC_CANCEL, "ｷｬﾝｾﾙ"},
};

// The find and replace dialog, in the words of the platform's own that users know.
constexpr DialogItem kFind[] = {
    {IDC_LABEL_FIND_WHAT, "検索する文字列(&N):"},
    {IDC_FIND_WHAT, ""},
    {IDC_WHOLE_WORD, "単語単位で探す(&W)"},
    {IDC_MATCH_CASE, "大文字と小文字を区別する(&C)"},
    {IDC_GROUP_DIRECTION, "方向"},
    {IDC_UP, "上へ(&U)"},
    {IDC_DOWN, "下へ(&D)"},
    {IDC_OK, "次を検索(&F)"},
    {IDC_CANCEL, "キャンセル"},
};

constexpr DialogItem kReplace[] = {
    {IDC_LABEL_FIND_WHAT, "検索する文字列(&N):"},
    {IDC_FIND_WHAT, ""},
    {IDC_LABEL_REPLACE_WITH, "置換後の文字列(&P):"},
    {IDC_REPLACE_WITH, ""},
    {IDC_WHOLE_WORD, "単語単位で探す(&W)"},
    {IDC_MATCH_CASE, "大文字と小文字を区別する(&C)"},
    {IDC_OK, "次を検索(&F)"},
    {IDC_REPLACE, "置換して次に(&R)"},
    {IDC_REPLACE_ALL, "すべて置換(&A)"},
    {IDC_CANCEL, "キャンセル"},
};

constexpr DialogItem kTypeset[] = {
    {IDC_LABEL_TYPESET_COMMAND, "コマンド (1 行に 1 つ、文書のフォルダで上から順に実行。%f はファイル名、%b は拡張子を除いた名前、%d はフォルダ)"},
    {IDC_TYPESET_COMMAND, ""},
    {IDC_LABEL_PRESETS, "プリセット"},
    {IDC_PRESET_PLATEX, "pLaTeX"},
    {IDC_PRESET_UPLATEX, "upLaTeX"},
    {IDC_PRESET_LATEXMK, "latexmk"},
    {IDC_TYPESET_OPEN_PDF, "タイプセットが終わったら PDF を開く"},
    {IDC_OK, "OK"},
    {IDC_CANCEL, "ｷｬﾝｾﾙ"},
};
// clang-format on

struct DialogEntry {
  int id;
  DialogResource resource;
};

const DialogEntry kDialogs[] = {
    {IDD_READ_EXT, {"読みこみの際の拡張子", kReadExt}},
    {IDD_NEW_EXT, {"新規登録", kNewExt}},
    {IDD_JUMP, {"ﾀﾞｲｱﾛｸﾞ", kJump}},
    {IDD_SETTINGS, {"各種設定", kSettings}},
    {IDD_FIND, {"検索", kFind}},
    {IDD_REPLACE, {"置換", kReplace}},
    {IDD_TYPESET, {"タイプセットの設定", kTypeset}},
};

}  // namespace

DialogResource DialogTemplate(int id) {
  const auto it = std::find_if(std::begin(kDialogs), std::end(kDialogs),
                               [id](const DialogEntry& e) { return e.id == id; });
  return it != std::end(kDialogs) ? it->resource : DialogResource{};
}

std::string_view DialogItemText(int dialog, int control) {
  for (const DialogItem& item : DialogTemplate(dialog).items) {
    if (item.id == control) return item.text;
  }
  return {};
}
