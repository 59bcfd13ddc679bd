// The menu bars, their status prompts and the status bar, on the real main window.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>

#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "res/Resources.h"

namespace {

// The visible menu bar as text: popups by title, items as "id text", separators as "-",
// each level indented by two blanks. Popups are brought up to date as when they open.
void Dump(CMainFrame& frame, const QList<QAction*>& actions, int depth, QString& out) {
  const QString indent(depth * 2, u' ');
  for (QAction* action : actions) {
    if (!action->isVisible()) continue;
    if (action->isSeparator()) {
      out += indent + "-\n";
    } else if (QMenu* popup = action->menu()) {
      frame.UpdatePopup(popup);
      out += indent + action->text() + "\n";
      Dump(frame, popup->actions(), depth + 1, out);
    } else {
      out += indent + QString::number(action->data().toInt()) + " " + action->text() + "\n";
    }
  }
}

QString MenuText(CMainFrame& frame) {
  QString out;
  Dump(frame, frame.menuBar()->actions(), 0, out);
  return out;
}

const char* const kMenu128 =
    "ﾌｧｲﾙ(&F)\n"
    "  57600 新規作成(&N)\tCtrl+N\n"
    "  57601 開く(&O)...\tCtrl+O\n"
    "  -\n"
    "  57616 最近使ったﾌｧｲﾙ\n"
    "  -\n"
    "  57665 ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)\n"
    "表示(&V)\n"
    "  59393 ｽﾃｰﾀｽ ﾊﾞｰ(&S)\n";

const char* const kMenu129 =
    "ﾌｧｲﾙ(&F)\n"
    "  57600 新規作成(&N)\tCtrl+N\n"
    "  57601 開く(&O)...\tCtrl+O\n"
    "  57602 閉じる(&C)\tCtrl+F4\n"
    "  57603 上書き保存(&S)\tCtrl+S\n"
    "  57604 名前を付けて保存(&A)...\tF12\n"
    "  -\n"
    "  57616 最近使ったﾌｧｲﾙ\n"
    "  -\n"
    "  57665 ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)\n"
    "編集(&E)\n"
    "  57643 元に戻す(&U)\tCtrl+Z\n"
    "  57644 やり直し(&R)\tCtrl+Y\n"
    "  -\n"
    "  57635 切り取り(&T)\tCtrl+X\n"
    "  57634 ｺﾋﾟｰ(&C)\tCtrl+C\n"
    "  57637 貼り付け(&P)\tCtrl+V\n"
    "  32819 削除(&D)\tDelete, Back\n"
    "  57642 すべて選択(&L)\tCtrl+A\n"
    "  -\n"
    "  57636 検索(&F)\tCtrl+F\n"
    "  57641 置換(&E)\tCtrl+H\n"
    "  -\n"
    "  32827 ジャンプ(&G)\tCtrl+G\n"
    "  32851 ブックマークの位置にジャンプ\n"
    "  -\n"
    "  32826 Undo/Redo バッファのクリア\n"
    "表示・設定(&V)\n"
    "  59393 ｽﾃｰﾀｽ ﾊﾞｰ(&S)\n"
    "  フォント\n"
    "    32840 大きくする\tCtrl+Wheel\n"
    "    32841 小さくする\tCtrl+Wheel\n"
    "    32842 元に戻す\n"
    "  -\n"
    "  32861 ポップアップメニューの設定\n"
    "  -\n"
    "  32862 各種設定\n"
    "ｳｨﾝﾄﾞｳ(&W)\n"
    "  57648 新しいｳｨﾝﾄﾞｳを開く(&N)\n"
    "  57650 重ねて表示(&C)\n"
    "  57651 並べて表示(&T)\n"
    "  57649 ｱｲｺﾝの整列(&A)\n"
    "  -\n"
    "  65280 &1 TeX1\n"
    "ブックマーク\n"
    "  32850 ブックマークをセット\tF9\n"
    "  32851 ブックマークの位置にジャンプ\tF5\n"
    "  -\n"
    "  32852 ブックマークを全部削除\tAlt+F9\n"
    "タイプセット(&T)\n"
    "  32900 タイプセット\tCtrl+T\n"
    "  32901 中止\n"
    "  -\n"
    "  32902 次のエラー\tF4\n"
    "  32903 前のエラー\tShift+F4\n"
    "  -\n"
    "  32904 PDF を開く\n"
    "  -\n"
    "  32905 出力ペイン\n"
    "  32906 タイプセットの設定...\n";

class ShellMenuTest : public ShellFixture {};

}  // namespace

TEST_F(ShellMenuTest, DocumentMenuWhileADocumentIsOpenAndFrameMenuWithout) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(Frame().MenuId(), IDR_TEXTYPE);
  EXPECT_EQ(MenuText(Frame()).toStdString(), kMenu129);

  ASSERT_TRUE(Frame().RouteCommand(ID_FILE_CLOSE));
  Settle();
  EXPECT_EQ(Frame().MenuId(), IDR_MAINFRAME);
  EXPECT_EQ(MenuText(Frame()).toStdString(), kMenu128);

  ASSERT_TRUE(Frame().RouteCommand(ID_FILE_NEW));
  EXPECT_EQ(Frame().MenuId(), IDR_TEXTYPE);
  EXPECT_EQ(MenuText(Frame()).toStdString(),
            QString::fromUtf8(kMenu129).replace("TeX1", "TeX2").toStdString());
}

TEST_F(ShellMenuTest, ItemStatesFollowTheObjectsThatHandleThem) {
  ASSERT_TRUE(Start());
  // The placeholder of the recent files stays greyed; commands nobody handles are greyed.
  EXPECT_FALSE(Frame().FindAction(ID_FILE_MRU_FIRST)->isEnabled());
  EXPECT_TRUE(Frame().FindAction(ID_WINDOW_NEW)->isEnabled());
  EXPECT_FALSE(Frame().QueryCommandState(ID_MACRO_LAST + 1).enabled);

  QAction* statusItem = Frame().FindAction(ID_VIEW_STATUS_BAR);
  EXPECT_TRUE(statusItem->isChecked());
  statusItem->trigger();
  EXPECT_TRUE(Frame().statusBar()->isHidden());
  Frame().UpdatePopup(qobject_cast<QMenu*>(statusItem->parent()));
  EXPECT_FALSE(statusItem->isChecked());
  statusItem->trigger();
  EXPECT_FALSE(Frame().statusBar()->isHidden());

  // Without a document the window commands are greyed and do nothing.
  ASSERT_TRUE(Frame().RouteCommand(ID_FILE_CLOSE));
  Settle();
  EXPECT_FALSE(Frame().QueryCommandState(ID_WINDOW_NEW).enabled);
  EXPECT_TRUE(Frame().RouteCommand(ID_WINDOW_NEW));
  EXPECT_TRUE(Frame().Children().isEmpty());
}

TEST_F(ShellMenuTest, HighlightedItemShowsItsPromptAndTheIdleTextReturns) {
  ASSERT_TRUE(Start());
  Frame().FindAction(ID_FILE_MRU_FIRST)->showStatusText(Frame().menuBar());
  EXPECT_EQ(Frame().MessageText().toStdString(), "指定のﾌｧｲﾙを開く");
  QStatusTipEvent leave{QString()};
  QCoreApplication::sendEvent(Frame().menuBar(), &leave);
  EXPECT_EQ(Frame().MessageText().toStdString(), "ﾚﾃﾞｨ");

  // Every item of both menus has a one-line prompt.
  for (int pass = 0; pass < 2; ++pass) {
    QList<QAction*> pending = Frame().menuBar()->actions();
    while (!pending.isEmpty()) {
      QAction* action = pending.takeFirst();
      if (QMenu* popup = action->menu()) {
        pending += popup->actions();
      } else if (!action->isSeparator() && action->data().toInt() < ID_WINDOW_CHILD_FIRST) {
        EXPECT_FALSE(action->statusTip().isEmpty()) << action->text().toStdString();
        EXPECT_FALSE(action->statusTip().contains(u'\n')) << action->text().toStdString();
      }
    }
    Frame().RouteCommand(ID_FILE_CLOSE);
    Settle();
  }
}

TEST_F(ShellMenuTest, StatusBarShowsTheLockIndicatorsAndTheIdleText) {
  ASSERT_TRUE(Start());
  QLabel* caps = Frame().Indicator(ID_INDICATOR_CAPS);
  QLabel* num = Frame().Indicator(ID_INDICATOR_NUM);
  QLabel* scroll = Frame().Indicator(ID_INDICATOR_SCRL);
  ASSERT_TRUE(caps && num && scroll);
  Frame().ShowLockIndicators({true, true, false, true});
  EXPECT_EQ(caps->text() + "|" + num->text() + "|" + scroll->text(), "CAP||SCRL");
  Frame().SetMessageText("12: 3");
  Frame().SetMessageText(QString());
  EXPECT_EQ(Frame().MessageText().toStdString(), "ﾚﾃﾞｨ");
}
