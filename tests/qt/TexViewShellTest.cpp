// The TeX view in the real shell: the macro menu from start-up and the macro file command, where
// its popups open and their choice goes, a macro file read in part; every menu item wired.
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <set>

#include "../core/FileFixtures.h"
#include "../core/MacroFakes.h"
#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "base/Cp932.h"
#include "platform/QtMenuBuilder.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"

namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

std::vector<std::string> Lines(const ViewWidget& view) { return DocLines(view.View().GetDocument()); }

class TexViewShellTest : public ShellFixture {
 protected:
  // Notes what the popup that opens next shows and where; then takes the items named by path
  // in turn as the keyboard does (Right opens a sub-menu, Return chooses), or, for an empty
  // path, closes it.
  void OnNextPopup(const QStringList& path) {
    QTimer::singleShot(0, qApp, [this, path]() {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_TRUE(menu) << "no popup is up";
      popupItems.clear();
      for (const QAction* action : menu->actions()) popupItems << action->text();
      popupAt = menu->pos();
      for (const QString& text : path) {
        QAction* found = nullptr;
        for (QAction* action : menu->actions()) found = action->text() == text ? action : found;
        EXPECT_TRUE(found) << "no item " << text << " in " << popupItems.join(u'|');
        if (!found) break;
        menu->setActiveAction(found);
        QKeyEvent press(QEvent::KeyPress, found->menu() ? Qt::Key_Right : Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(menu, &press);
        if (!(menu = found->menu())) return;
      }
      while (auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget())) open->close();
    });
  }
  // A right-click at a point of the view's window, as the window system reports it.
  static void RightClick(ViewWidget& view, QPoint at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view.viewport(), &event);
  }

  QStringList popupItems;
  QPoint popupAt;
};

TEST_F(TexViewShellTest, TheMacroMenuFromTheSampleAndFromTheMacroFileCommand) {
  // The sample, read by its default name from the starting folder.
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QDir(QStringLiteral(MIREV_TEST_DATA "/../..")).canonicalPath()));
  const bool started =
      Start({WriteFile("first.tex", "\r\n")}) && app->OpenDocumentFile(WriteFile("second.tex", "x\r\n"));
  QDir::setCurrent(before);
  ASSERT_TRUE(started);
  // Read to its end; every entry labelled, in code page 932, and no name starred (\section*{})
  // so as to take the first asterisk from the places to type.
  ASSERT_EQ(app->MacroMenu().Entries().back().text, "\\quad");
  for (const MacroEntry& entry : app->MacroMenu().Entries()) {
    const std::string bytes = entry.label.ToStdString() + " " + entry.text.ToStdString();
    EXPECT_FALSE(entry.label.IsEmpty() || entry.text.IsEmpty() || bytes.find("*{") != std::string::npos ||
                 cp932::DecodeToUtf16(bytes).find(u'\uFFFD') != std::u16string::npos)
        << bytes;
  }
  ViewWidget& inactive = *Frame().Children().front()->View();
  ViewWidget& active = *Frame().ActiveChild()->View();
  ASSERT_NE(&inactive, &active);
  // A right-click in the window behind: the entry goes in there, its asterisk selected.
  OnNextPopup({Utf8("見出し(&S)"), Utf8("節(&S)")});
  RightClick(inactive, QPoint(40, 30));
  EXPECT_EQ(popupAt, inactive.viewport()->mapToGlobal(QPoint(40, 30)));
  EXPECT_EQ(Lines(inactive), std::vector<std::string>{"\\section{*}"});
  EXPECT_EQ(inactive.View().GetSelectedText(), "*");
  // F10 opens it at the active view's top-left corner, wherever the caret is.
  PressKey(Qt::Key_End);
  OnNextPopup({Utf8("数式(&M)"), Utf8("分数")});
  PressKey(Qt::Key_F10);
  EXPECT_EQ(popupAt, active.mapToGlobal(QPoint(0, 0)));
  EXPECT_EQ(Lines(active), std::vector<std::string>{"x\\frac{*}{*}"});
  EXPECT_EQ(Lines(inactive), std::vector<std::string>{"\\section{*}"});

  // Labels from code page 932 (表 ends in 5C), a doubled ampersand kept, marks for control
  // bytes, a long one cut.
  EXPECT_EQ(QtMenuBuilder::LabelText("\x95\x5C\x8E\xA6(&&V)"), Utf8("表示(&&V)"));
  EXPECT_EQ(QtMenuBuilder::LabelText(std::string_view("n\x01\0x", 4)), Utf8("n\uFFFD\uFFFDx"));
  EXPECT_EQ(QtMenuBuilder::LabelText(std::string(300, 'w')), QString(199, 'w') + QChar(0x2026));
  // The macro file command.
  dialogs.openAnswers = {WriteFile("a.mac", "+ S\na 1\n-\n"), std::nullopt, filesDir.filePath("later.mac")};
  ASSERT_TRUE(Frame().RouteCommand(ID_MACRO_FILE));
  EXPECT_EQ(dialogs.openRequests.at(0).initialName, "plind.mac");
  QPointer<QMenu> root = QtMenuBuilder::MenuOf(app->MacroMenu().RootPopup());
  ASSERT_TRUE(root && root->actions().size() == 1);
  QPointer<QMenu> sub = root->actions()[0]->menu();
  EXPECT_TRUE(sub && sub->actions().at(0)->data() == 33000) << "one entry in one sub-menu";
  // Cancelled, nothing changes; a name that is not there, unremarked, empties the menu, drops
  // every popup and leaves the edit popup.
  ASSERT_TRUE(Frame().RouteCommand(ID_MACRO_FILE));
  EXPECT_EQ(QtMenuBuilder::MenuOf(app->MacroMenu().RootPopup()), root);
  ASSERT_TRUE(Frame().RouteCommand(ID_MACRO_FILE));
  EXPECT_FALSE(root || sub || app->MacroMenu().RootPopup());
  OnNextPopup({});
  RightClick(active, QPoint(30, 8));
  EXPECT_EQ(popupItems.value(2), Utf8("削除")) << popupItems.join(u'|');
  EXPECT_FALSE(Frame().MessageText().contains(QStringLiteral("later"))) << Frame().MessageText();
  EXPECT_TRUE(dialogs.boxes.empty());
  Finish();
  EXPECT_EQ(ProfileValues().value("Settings/MacroName"), filesDir.filePath("later.mac"));
}

TEST_F(TexViewShellTest, AMacroFileReadPartlyGivesWhatWasReadAndTheStatusBarSaysSo) {
  const QString path = WriteFile("cut.mac", "first \\first\nsecond \\second\nthird \\third\n");
  WriteProfile({{"Settings/MacroName", path}});
  {
    SteeredReads reads(14, 14);  // the read after the first line fails
    ASSERT_TRUE(Start());
  }
  EXPECT_EQ(app->MacroMenu().EntryCount(), 1);
  const QString notice = Frame().MessageText();
  EXPECT_TRUE(notice.contains(QFileInfo(path).fileName())) << notice;
  EXPECT_TRUE(notice.endsWith(QString::fromUtf8(ResourceString(IDS_MACRO_READ_CUT_SHORT)))) << notice;
  // It stays while the caret position is said again, and gives way once the caret moves.
  Frame().ActiveChild()->View()->View().OnSetFocus();
  EXPECT_EQ(Frame().MessageText(), notice);
  Frame().RouteCommand(ID_MACRO_FIRST);
  EXPECT_EQ(Frame().MessageText(), "1: 7");
}

TEST_F(TexViewShellTest, EveryMenuItemHasItsCommandWired) {
  ASSERT_TRUE(Start());
  const std::set<int> idle = {ID_TYPESET_STOP, ID_OPEN_PDF};  // off while nothing is typeset
  for (int menu : {IDR_TEXTYPE, IDR_EDIT_POPUP}) {
    for (const MenuEntry& entry : MenuResource(menu)) {
      if (entry.kind == MenuKind::Item && !entry.grayed && !idle.count(entry.id)) {
        EXPECT_TRUE(Frame().QueryCommandState(entry.id).enabled) << menu << " " << entry.id;
      }
    }
  }
  // And the keys that stand for no menu item.
  for (int id : {ID_FIND_NEXT, ID_NEXT_ASTERISK, ID_CONTEXT_POPUP, ID_REDRAW})
    EXPECT_TRUE(Frame().QueryCommandState(id).enabled) << id;
}

}  // namespace
