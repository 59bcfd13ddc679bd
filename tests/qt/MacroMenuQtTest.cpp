// The macro menu built as QMenus: ids, labels decoded from code page 932, access keys, and
// the popups gone once the menu is reloaded.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "platform/QtMenuBuilder.h"
#include "tex/CMacroMenu.h"

namespace {

using namespace std::string_literals;

std::string WriteFile(const QTemporaryDir& dir, const char* name, std::string_view bytes) {
  const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

QString Utf8(const char* text) { return QString::fromUtf8(text); }

TEST(MacroMenuQt, TheMenuTreeCarriesIdsAndDecodedLabels) {
  QTemporaryDir dir;
  // 表示(&V) / R&&D / 表 in code page 932; 表 ends in byte 5C.
  const std::string file =
      "+ \x95\x5C\x8E\xA6(&V)\r\n"
      "\x95\x5C \\begin{table}%n*%n\\end{table}\r\n"
      "+ \x90\x94\x8E\xAE\r\n"
      "\x95\xAA\x90\x94 \\frac{*}{}\r\n"
      "-\r\n"
      "-\r\n"
      "R&&D \\textbf{*}\r\n"
      "nul\x01\x00x \\relax\r\n"s +
      std::string(300, 'w') + " \\long\r\n";
  QtMenuBuilder builder;
  CMacroMenu menu(builder);
  ASSERT_TRUE(menu.LoadMacroFile(WriteFile(dir, "a.mac", file), kMacroBaseId, kMacroEntryLimit));

  QPointer<QMenu> root = QtMenuBuilder::MenuOf(menu.RootPopup());
  ASSERT_TRUE(root);
  const QList<QAction*> items = root->actions();
  ASSERT_EQ(items.size(), 4);
  QPointer<QMenu> view = items[0]->menu();
  ASSERT_TRUE(view && view->actions().size() == 2 && view->actions()[1]->menu());
  QMenu* formula = view->actions()[1]->menu();
  ASSERT_EQ(formula->actions().size(), 1);
  // Labels and ids in order; a doubled ampersand shows one and is no access key; bytes with no
  // character show marks; a long label is cut.
  QStringList shown;
  for (QAction* a :
       {items[0], view->actions()[0], view->actions()[1], formula->actions()[0], items[1], items[2]})
    shown << a->text() + " " + (a->menu() ? QString() : QString::number(a->data().toInt()));
  EXPECT_EQ(shown, (QStringList{Utf8("表示(&V) "), Utf8("表 33000"), Utf8("数式 "), Utf8("分数 33001"),
                                Utf8("R&&D 33002"), QString::fromUtf16(u"nul\uFFFD\uFFFDx 33003")}));
  EXPECT_EQ(QKeySequence::mnemonic(items[0]->text()), QKeySequence(Qt::ALT | Qt::Key_V));
  EXPECT_TRUE(QKeySequence::mnemonic(items[1]->text()).isEmpty());
  EXPECT_EQ(items[3]->text().size(), 200);
  EXPECT_EQ(menu.GetMacroText(33000), "\\begin{table}\r\n*\r\n\\end{table}");

  // A reload replaces every popup; a failed one leaves none.
  ASSERT_TRUE(menu.LoadMacroFile(WriteFile(dir, "b.mac", "only \\only\n"), kMacroBaseId, kMacroEntryLimit));
  EXPECT_FALSE(root);
  EXPECT_FALSE(view);
  root = QtMenuBuilder::MenuOf(menu.RootPopup());
  ASSERT_EQ(root->actions().size(), 1);
  EXPECT_EQ(root->actions()[0]->data().toInt(), 33000);
  EXPECT_FALSE(menu.LoadMacroFile(dir.filePath(QStringLiteral("none.mac")).toStdString(), kMacroBaseId,
                                  kMacroEntryLimit));
  EXPECT_FALSE(root);
}

}  // namespace
