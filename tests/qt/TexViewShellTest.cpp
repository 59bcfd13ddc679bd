// The TeX view in the real shell: the macro menu read at start-up (the repository's sample by
// its default name), the popups and where their choice goes, the macro file command, a macro
// file read in part, and every menu item wired.
#include <QContextMenuEvent>
#include <QMenu>
#include <set>

#include "../core/MacroFakes.h"
#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "platform/QtMenuBuilder.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "tex/CMacroMenu.h"
#include "tex/CMirevView.h"

namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// The sample macro file at the repository's root.
QString SampleDir() { return QDir(QStringLiteral(MIREV_TEST_DATA "/../..")).canonicalPath(); }
QString SamplePath() { return SampleDir() + QStringLiteral("/plind.mac"); }

// A popup's items as "id text", sub-menus as their title and ">", separators as "-".
QStringList Items(const QMenu& menu) {
  QStringList items;
  for (const QAction* action : menu.actions()) {
    if (action->isSeparator())
      items << QStringLiteral("-");
    else if (action->menu())
      items << action->text() + QStringLiteral(" >");
    else
      items << QString::number(action->data().toInt()) + u' ' + action->text();
  }
  return items;
}

class TexViewShellTest : public ShellFixture {
 protected:
  // Starts the shell with file dialogs answered from files.openAnswers.
  bool StartWithFileDialogs(const QStringList& arguments = {}) {
    AppOptions options;
    options.profileLocation = ProfilePath();
    options.dialogs = &files;
    options.shellIntegration = false;
    app = std::make_unique<CMirevApp>(options);
    return app->InitInstance(QStringList{QStringLiteral("mirev")} + arguments);
  }

  ViewWidget& ViewOf(CChildFrame* frame) { return *frame->View(); }
  static std::vector<std::string> Lines(const ViewWidget& view) {
    std::vector<std::string> lines;
    for (LineNode* n = view.View().GetDocument().FirstLine(); n; n = n->next)
      lines.push_back(std::string(n->text.View()));
    return lines;
  }

  // What the popup that opens next shows, and where; then the items named by path are taken
  // in turn as the keyboard takes them (Right opens a sub-menu, Return chooses), or, for an
  // empty path, the popup is closed with Escape.
  void OnNextPopup(QStringList path) {
    QTimer::singleShot(0, qApp, [this, path] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) {
        ADD_FAILURE() << "no popup is up";
        return;
      }
      popupItems = Items(*menu);
      popupAt = menu->pos();
      Walk(menu, path);
    });
  }
  static void Key(QMenu* menu, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(menu, &press);
  }
  static void Walk(QMenu* menu, QStringList path) {
    while (!path.isEmpty()) {
      QAction* found = nullptr;
      for (QAction* action : menu->actions())
        if (action->text() == path.front()) found = action;
      if (!found) {
        ADD_FAILURE() << "no item " << path.front().toStdString();
        break;
      }
      menu->setActiveAction(found);
      path.removeFirst();
      if (path.isEmpty()) return Key(menu, Qt::Key_Return);
      Key(menu, Qt::Key_Right);
      menu = found->menu();
      if (!menu || !menu->isVisible()) {
        ADD_FAILURE() << "the sub-menu did not open";
        break;
      }
    }
    while (auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget())) open->close();
  }
  // A right-click at a point of the view's window, as the window system reports it.
  static void RightClick(ViewWidget& view, QPoint at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view.viewport(), &event);
  }

  ScriptedDialogs files;
  QStringList popupItems;
  QPoint popupAt;
};

// The edit popup, menu 147.
const QStringList kEditPopup = {
    "57635 切り取り", "57634 コピー", "32819 削除", "57637 貼り付け", "-",
    "57636 検索",     "57641 置換",   "-",          "57643 Undo",     "57644 Redo"};

}  // namespace

TEST_F(TexViewShellTest, TheSampleIsReadByItsDefaultNameFromTheStartingFolder) {
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(SampleDir()));
  const bool started = Start();
  QDir::setCurrent(before);
  ASSERT_TRUE(started);
  const CMacroMenu& macros = app->MacroMenu();
  ASSERT_NE(macros.RootPopup(), nullptr);
  const QMenu& root = *QtMenuBuilder::MenuOf(macros.RootPopup());
  const int last = ID_MACRO_FIRST + macros.EntryCount() - 1;
  EXPECT_EQ(Items(root),
            QStringList({"文書(&D) >", "見出し(&S) >", "環境(&E) >", "図表(&F) >", "書体(&T) >", "参照(&R) >",
                         "数式(&M) >", "和文組版(&J) >", QString::number(last - 1) + Utf8(" 改行"),
                         QString::number(last) + Utf8(" 空白")}));
  const QAction* section = root.actions()[1]->menu()->actions()[2];
  EXPECT_EQ(section->text(), Utf8("節(&S)"));
  EXPECT_EQ(macros.GetMacroText(section->data().toUInt()), "\\section{*}");
  // Nothing to say about a file read whole.
  EXPECT_FALSE(Frame().MessageText().contains(QStringLiteral("plind")))
      << Frame().MessageText().toStdString();
}

TEST_F(TexViewShellTest, TheChoiceGoesToTheViewThePopupWasOpenedFrom) {
  WriteProfile({{"Settings/MacroName", SamplePath()}});
  const QString first = WriteFile("first.tex", "\r\n");
  const QString second = WriteFile("second.tex", "x\r\n");
  ASSERT_TRUE(Start({first}));
  ASSERT_NE(app->OpenDocumentFile(second), nullptr);
  ViewWidget& inactive = ViewOf(Frame().Children().front());
  ViewWidget& active = ViewOf(Frame().ActiveChild());
  ASSERT_NE(&inactive, &active);

  // A right-click in the window behind: the entry goes in there, not in the active view.
  OnNextPopup({Utf8("見出し(&S)"), Utf8("節(&S)")});
  RightClick(inactive, QPoint(40, 30));
  EXPECT_EQ(popupItems.size(), 10);
  EXPECT_EQ(popupAt, inactive.viewport()->mapToGlobal(QPoint(40, 30)));
  EXPECT_EQ(Lines(inactive), (std::vector<std::string>{"\\section{*}"}));
  EXPECT_EQ(inactive.View().GetSelectedText(), "*");
  EXPECT_EQ(Lines(active), (std::vector<std::string>{"x"}));

  // F10 opens it at the active view's top-left corner, wherever the caret is.
  PressKey(Qt::Key_End);
  OnNextPopup({Utf8("数式(&M)"), Utf8("分数")});
  PressKey(Qt::Key_F10);
  EXPECT_EQ(popupAt, active.mapToGlobal(QPoint(0, 0)));
  EXPECT_EQ(Lines(active), (std::vector<std::string>{"x\\frac{*}{*}"}));
  EXPECT_EQ(Lines(inactive), (std::vector<std::string>{"\\section{*}"}));
  // Dismissed, the popup changes nothing.
  OnNextPopup({});
  RightClick(active, QPoint(5, 5));
  EXPECT_EQ(Lines(active), (std::vector<std::string>{"x\\frac{*}{*}"}));
}

TEST_F(TexViewShellTest, EditPopupWithoutAMacroFileAndTheChoiceOfAnother) {
  const QString missing = filesDir.filePath(QStringLiteral("none.mac"));
  WriteProfile({{"Settings/MacroName", missing}});
  ASSERT_TRUE(StartWithFileDialogs({WriteFile("a.tex", "abc\r\n")}));
  ViewWidget& view = ViewOf(Frame().ActiveChild());
  // A missing macro file goes unremarked.
  EXPECT_FALSE(Frame().MessageText().contains(QStringLiteral("none.mac")))
      << Frame().MessageText().toStdString();

  OnNextPopup({Utf8("削除")});
  RightClick(view, QPoint(30, 8));
  EXPECT_EQ(popupItems, kEditPopup);
  EXPECT_EQ(Lines(view), (std::vector<std::string>{"bc"}));

  // The macro file command: the file type, the suffix, the current name.
  files.openAnswers.push_back(SamplePath());
  ASSERT_TRUE(Frame().RouteCommand(ID_MACRO_FILE));
  ASSERT_EQ(files.openRequests.size(), 1u);
  const FileDialogRequest& request = files.openRequests[0];
  ASSERT_EQ(request.filters.size(), 1);
  EXPECT_EQ(request.filters[0].name, QStringLiteral("Plind macro(*.mac)"));
  EXPECT_EQ(request.defaultSuffix, QStringLiteral("mac"));
  EXPECT_EQ(request.initialName, missing);
  OnNextPopup({QStringLiteral("改行")});
  RightClick(view, QPoint(30, 8));
  EXPECT_EQ(Lines(view), (std::vector<std::string>{"\\\\bc"}));

  // Cancelled, nothing changes; a name that is not there empties the menu.
  files.openAnswers.push_back(std::nullopt);
  ASSERT_TRUE(Frame().RouteCommand(ID_MACRO_FILE));
  EXPECT_NE(app->MacroMenu().RootPopup(), nullptr);
  const QString later = filesDir.filePath(QStringLiteral("later.mac"));
  files.openAnswers.push_back(later);
  ASSERT_TRUE(Frame().RouteCommand(ID_MACRO_FILE));
  EXPECT_EQ(app->MacroMenu().RootPopup(), nullptr);
  OnNextPopup({});
  RightClick(view, QPoint(30, 8));
  EXPECT_EQ(popupItems, kEditPopup);
  EXPECT_TRUE(files.boxes.empty());

  Finish();
  EXPECT_EQ(ProfileValues().value("Settings/MacroName"), later);
}

TEST_F(TexViewShellTest, AMacroFileReadPartlyGivesWhatWasReadAndTheStatusBarSaysSo) {
  const QString path = WriteFile("cut.mac", "first \\first\nsecond \\second\nthird \\third\n");
  WriteProfile({{"Settings/MacroName", path}});
  {
    // Reads fail once the first line has been read.
    SteeredReads reads(14, 14);
    ASSERT_TRUE(Start());
  }
  ASSERT_NE(app->MacroMenu().RootPopup(), nullptr);
  EXPECT_EQ(app->MacroMenu().EntryCount(), 1);
  const QString notice = Frame().MessageText();
  EXPECT_TRUE(notice.contains(QFileInfo(path).fileName())) << notice.toStdString();
  EXPECT_TRUE(notice.endsWith(QString::fromUtf8(ResourceString(IDS_MACRO_READ_CUT_SHORT))))
      << notice.toStdString();
  // It stays while the caret position is said again, and gives way once the caret moves.
  Frame().ActiveChild()->View()->View().OnSetFocus();
  EXPECT_EQ(Frame().MessageText(), notice);
  Frame().RouteCommand(ID_MACRO_FIRST);
  EXPECT_EQ(Frame().MessageText(), "1: 7");

  // A folder is no macro file: no menu, and the status bar says why.
  app->GetSettings().macroFile = filesDir.path().toStdString();
  app->ReloadMacroMenu();
  EXPECT_EQ(app->MacroMenu().RootPopup(), nullptr);
  EXPECT_TRUE(Frame().MessageText().contains(QDir::toNativeSeparators(filesDir.path())))
      << Frame().MessageText().toStdString();
}

TEST_F(TexViewShellTest, EveryMenuItemHasItsCommandWired) {
  ASSERT_TRUE(Start());
  // Enabled only while a run is going or once it has made a PDF.
  const std::set<int> coming = {ID_TYPESET_STOP, ID_OPEN_PDF};
  for (int menu : {IDR_TEXTYPE, IDR_EDIT_POPUP}) {
    for (const MenuEntry& entry : MenuResource(menu)) {
      if (entry.kind != MenuKind::Item || entry.grayed || coming.count(entry.id)) continue;
      EXPECT_TRUE(Frame().QueryCommandState(entry.id).enabled) << menu << " " << entry.id;
    }
  }
  // And the keys that stand for no menu item.
  for (int id : {ID_FIND_NEXT, ID_NEXT_ASTERISK, ID_CONTEXT_POPUP, ID_REDRAW}) {
    if (!coming.count(id)) {
      EXPECT_TRUE(Frame().QueryCommandState(id).enabled) << id;
    }
  }
}
