// The string table: every user-visible text of the shell under its id, in UTF-8.
#include <algorithm>
#include <iterator>

#include "base/CommandIds.h"
#include "res/Resources.h"

namespace {

struct StringEntry {
  int id;
  std::string_view text;
};

// Sorted by id. A command's string is its status prompt, then, after a line feed, its short
// name.
// clang-format off
constexpr StringEntry kStrings[] = {
    {IDR_MAINFRAME, "Mirev"},
    {IDR_TEXTYPE, "\nTeX\n\nTeX ﾌｧｲﾙ (*.tex)\n.tex\nTeX.Document\nTeX Document"},
    {ID_EDIT_DELETE, "選択範囲を消去します。"},
    {ID_CLEAR_UNDO, "「元に戻す」「やり直し」 のために確保してあるメモリを開放します。"},
    {ID_JUMP_TO_LINE, "指定した行にジャンプ"},
    {ID_ZOOM_IN, "フォントを大きくします。"},
    {ID_ZOOM_OUT, "フォントを小さくします。"},
    {ID_ZOOM_DEFAULT, "フォントをデフォルトのものにします。"},
    {ID_BOOKMARK_SET, "現在の行にブックマークをセット。 "},
    {ID_BOOKMARK_JUMP, "ブックマークの位置にジャンプ"},
    {ID_BOOKMARK_CLEAR_ALL, "ブックマークをすべて削除します。"},
    {ID_MACRO_FILE, "ポップアップメニューの設定"},
    {ID_SETTINGS, "アプリケーションの設定。"},
    {ID_REDRAW, "現在位置と表示位置がずれたり、画像がみだれたときに行ってください。"},
    {ID_TYPESET, "作業中のファイルを保存してタイプセットします。"},
    {ID_TYPESET_STOP, "実行中のタイプセットを中止します。"},
    {ID_NEXT_ERROR, "次のエラーの行にジャンプ"},
    {ID_PREV_ERROR, "前のエラーの行にジャンプ"},
    {ID_OPEN_PDF, "タイプセットした PDF を開きます。"},
    {ID_VIEW_TYPESET_PANE, "出力ペインの 表示/非表示"},
    {ID_TYPESET_SETTINGS, "タイプセットのコマンドの設定。"},
    {IDS_APP_TITLE, "Mirev"},
    {IDS_IDLE_MESSAGE, "ﾚﾃﾞｨ"},
    {ID_FILE_NEW, "新規にﾌｧｲﾙを作成\n新規ﾌｧｲﾙ"},
    {ID_FILE_OPEN, "既存のﾌｧｲﾙを開く\n開く"},
    {ID_FILE_CLOSE, "作業中のﾌｧｲﾙを閉じる\n閉じる"},
    {ID_FILE_SAVE, "作業中のﾌｧｲﾙを上書きして保存\n保存"},
    {ID_FILE_SAVE_AS, "作業中のﾌｧｲﾙを新しい名前で保存\n名前をつけて保存"},
    {ID_FILE_MRU_FIRST + 0, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 1, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 2, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 3, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 4, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 5, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 6, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 7, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 8, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 9, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 10, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 11, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 12, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 13, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 14, "指定のﾌｧｲﾙを開く"},
    {ID_FILE_MRU_FIRST + 15, "指定のﾌｧｲﾙを開く"},
    {ID_EDIT_COPY, "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\nｺﾋﾟｰ"},
    {ID_EDIT_CUT, "選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\n切り取り"},
    {ID_EDIT_FIND, "指定した文字列の検索\n検索"},
    {ID_EDIT_PASTE, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を貼り付け\n貼り付け"},
    {ID_EDIT_REPLACE, "指定した文字列を他の文字列で置換\n置換"},
    {ID_EDIT_SELECT_ALL, "ﾌｧｲﾙ内のすべてを選択\nすべて選択"},
    {ID_EDIT_UNDO, "直前に行った動作を元に戻す\n元に戻す"},
    {ID_EDIT_REDO, "直前に行った Undo を取り消す\n繰り返す"},
    {ID_WINDOW_NEW, "作業中のｳｨﾝﾄﾞｳを複写して表示\n新規ｳｨﾝﾄﾞｳ"},
    {ID_WINDOW_ARRANGE, "ｳｨﾝﾄﾞｳの下部にｱｲｺﾝを整列\nｱｲｺﾝの整列"},
    {ID_WINDOW_CASCADE, "ｳｨﾝﾄﾞｳを重ねて表示\n重ねて表示"},
    {ID_WINDOW_TILE, "ｳｨﾝﾄﾞｳを並べて表示\n並べて表示"},
    {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示\n終了"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
    {ID_VIEW_STATUS_BAR, "ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示切り替え"},
    {IDS_FILE_ERROR, "ファイルエラーが発生しました。 \nファイルのパスが通っていないか、 \nファイルに読み取り属性がありません。"},
    {IDS_COLOR_TEXT, "テキストの色"},
    {IDS_COLOR_BK, "背景の色"},
    {IDS_COLOR_SEL_TEXT, "選択されたテキストの色"},
    {IDS_COLOR_SEL_BK, "選択された背景の色"},
    {IDS_COLOR_GROUND, "何も書かれていない部分の色"},
    {IDS_COLOR_MARGIN, "左側のブックマーク部分の色"},
    {IDS_TYPED_NOT_CP932, "%1 はシフトJIS (コードページ 932) にない文字なので、入力できません。"},
    {IDS_PASTE_NOT_CP932, "クリップボードのテキストには、シフトJIS (コードページ 932) にない文字 %1 が含まれているので、貼り付けできません。"},
    {IDS_FIND_NOT_CP932, "%1 はシフトJIS (コードページ 932) にない文字なので、検索や置換に使えません。"},
    {IDS_FILE_BACKUP_KEPT, "元のﾌｧｲﾙの内容は %1 に残してあります。"},
    {IDS_PROFILE_SET_ASIDE, "設定ﾌｧｲﾙ %1 に読めない部分があったので、%2 に写しました。"},
    {IDS_PROFILE_NOT_SAVED, "設定を %1 に保存できませんでした。"},
    {IDS_MACRO_FILTER, "Plind macro(*.mac)"},
    {IDS_MACRO_READ_CUT_SHORT, "ポップアップメニューは読めたところまでで作りました。"},
    {IDS_TYPESET_PANE_TITLE, "タイプセットの出力"},
    {IDS_TYPESET_RUNNING, "タイプセット中: %1 (%2/%3)"},
    {IDS_TYPESET_BUSY, "タイプセット中です。終わるのを待つか、「中止」で止めてください。"},
    {IDS_TYPESET_SUCCEEDED, "タイプセットが終わりました。"},
    {IDS_TYPESET_EXIT_STATUS, "タイプセットに失敗しました: %1 が終了コード %2 で終わりました。"},
    {IDS_TYPESET_NOT_STARTED, "%1 を起動できませんでした。「タイプセットの設定」でコマンドを確かめてください。"},
    {IDS_TYPESET_CRASHED, "タイプセットに失敗しました: %1 が異常終了しました。"},
    {IDS_TYPESET_STOPPED, "タイプセットを中止しました。"},
    {IDS_TYPESET_COUNTS, "エラー %1 件、警告 %2 件、ボックス %3 件"},
    {IDS_TYPESET_NO_COMMAND, "タイプセットのコマンドがありません。「タイプセットの設定」で設定してください。"},
    {IDS_TYPESET_UNCLOSED_QUOTE, "タイプセットのコマンドの %1 行目で引用符が閉じていません。"},
    {IDS_TYPESET_NO_ENTRIES, "エラーはありません。"},
    {IDS_TYPESET_NO_NEXT, "これより後のエラーはありません。"},
    {IDS_TYPESET_NO_PREVIOUS, "これより前のエラーはありません。"},
    {IDS_TYPESET_ENTRY, "%1/%2 %3: %4"},
    {IDS_TYPESET_KIND_ERROR, "エラー"},
    {IDS_TYPESET_KIND_WARNING, "警告"},
    {IDS_TYPESET_KIND_BAD_BOX, "ボックス"},
    {IDS_TYPESET_NO_PDF, "PDF がありません: %1"},
    {IDS_TYPESET_PDF_FAILED, "PDF を開けませんでした: %1"},
    {IDS_SAVE_AS_TITLE, "名前を付けて保存"},
    {IDS_ALL_FILES_FILTER, "すべてのﾌｧｲﾙ (*.*)"},
    {IDS_INVALID_FILENAME, "無効なﾌｧｲﾙ名です。"},
    {IDS_FAILED_TO_OPEN_DOC, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"},
    {IDS_FAILED_TO_SAVE_DOC, "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"},
    {IDS_ASK_TO_SAVE, "%1 への変更を保存しますか?"},
    {IDS_PARSE_INT, "整数を入力してください。"},
    {IDS_PARSE_INT_RANGE, "%1 から %2 までの整数を入力してください。"},
    {IDS_FILE_GENERIC, "%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。"},
    {IDS_FILE_NOT_FOUND, "%1 が見つかりませんでした。"},
    {IDS_FILE_BAD_PATH, "%1 には無効なﾊﾟｽが含まれています。"},
    {IDS_FILE_TOO_MANY_OPEN, "開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。"},
    {IDS_FILE_ACCESS_DENIED, "%1 へのｱｸｾｽは拒否されました。"},
    {IDS_FILE_INVALID_FILE, "%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられていました。"},
    {IDS_FILE_REMOVE_CURRENT_DIR, "現在のﾃﾞｨﾚｸﾄﾘ %1 は削除できませんでした。"},
    {IDS_FILE_DIRECTORY_FULL, "%1 を作成できませんでした。そのﾃﾞｨﾚｸﾄﾘはいっぱいです。"},
    {IDS_FILE_BAD_SEEK, "%1 のｼｰｸに失敗しました。"},
    {IDS_FILE_HARD_IO, "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。"},
    {IDS_FILE_SHARING_VIOLATION, "%1 へのｱｸｾｽ中に共有違反が発生しました。"},
    {IDS_FILE_LOCK_VIOLATION, "%1 へのｱｸｾｽ中にﾛｯｸ違反が発生しました。"},
    {IDS_FILE_DISK_FULL, "%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"},
    {IDS_FILE_END_OF_FILE, "%1 の末尾以降にｱｸｾｽしようとしました。"},
};
// clang-format on

constexpr bool IsSorted() {
  for (std::size_t i = 1; i < std::size(kStrings); ++i) {
    if (kStrings[i - 1].id >= kStrings[i].id) return false;
  }
  return true;
}
static_assert(IsSorted(), "the string table must stay sorted by id, without duplicates");

}  // namespace

std::string_view ResourceString(int id) {
  const auto* end = std::end(kStrings);
  const auto* it = std::lower_bound(std::begin(kStrings), end, id,
                                    [](const StringEntry& e, int key) { return e.id < key; });
  return (it != end && it->id == id) ? it->text : std::string_view();
}

std::string_view StatusPrompt(int id) {
  std::string_view text = ResourceString(id);
  return text.substr(0, text.find('\n'));
}

std::string_view StringField(int id, int index) {
  std::string_view text = ResourceString(id);
  for (int i = 0; i < index; ++i) {
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) return {};
    text.remove_prefix(lf + 1);
  }
  return text.substr(0, text.find('\n'));
}
