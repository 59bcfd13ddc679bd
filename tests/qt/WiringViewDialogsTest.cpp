// The view's dialog commands on the real shell: settings from the menu, jump to line from
// Ctrl+G, each on the active document window and only while one is open.
#include <QLineEdit>
#include <QScreen>

#include "DialogScript.h"
#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

using dialogtest::Control;
using dialogtest::OnNextModal;
using dialogtest::Press;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

class WiringViewDialogsTest : public ShellFixture {
 protected:
  ViewWidget& ActiveView() { return *Frame().ActiveChild()->View(); }

  // What the main window shows of the view's viewport now, from its repaints so far.
  QImage OnScreen(ViewWidget& view) {
    QCoreApplication::processEvents();
    QWidget* viewport = view.viewport();
    const QPoint at = viewport->mapTo(&Frame(), QPoint(0, 0));
    const QImage window = Frame().screen()->grabWindow(Frame().winId()).toImage();
    return window.copy(QRect(at, viewport->size())).convertToFormat(QImage::Format_RGB32);
  }
  // A full repaint of the viewport, whatever was invalidated.
  static QImage Repainted(ViewWidget& view) {
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  // The pixel rows of text line `line`, below the caret's line.
  static QImage Row(const QImage& image, const CVeloView& v, int line) {
    return image.copy(0, line * v.LineHeight(), image.width(), v.LineHeight());
  }

  // Fails the test and closes the dialog if a modal one comes up before the event loop
  // has run once more.
  void ExpectNoDialog(const char* what) {
    QTimer::singleShot(0, qApp, [what] {
      if (QApplication::activeModalWidget()) {
        ADD_FAILURE() << what << " showed a dialog";
        dialogtest::RejectAllModals();
      }
    });
  }
};

}  // namespace

TEST_F(WiringViewDialogsTest, SettingsFromTheMenuApplyATabSizeToTheActiveViewAndRepaintIt) {
  const QString first = WriteFile("first.tex", "\tx\r\n");
  const QString second = WriteFile("second.tex", "\tb\r\n\tz\r\n");
  ASSERT_TRUE(Start({first}));
  ASSERT_NE(app->OpenDocumentFile(second), nullptr);
  ViewWidget& inactive = *Frame().Children().front()->View();
  ViewWidget& active = ActiveView();
  ASSERT_NE(&inactive, &active);
  // Both carets after the tab, in column 9 of 8-wide tabs.
  Frame().RouteCommand(ID_CHAR_RIGHT);
  Frame().ActivateChild(Frame().Children().front());
  Frame().RouteCommand(ID_CHAR_RIGHT);
  Frame().ActivateChild(Frame().Children().back());
  ASSERT_EQ(&ActiveView(), &active);
  ASSERT_EQ(active.StatusText().toStdString(), "1: 9");
  ASSERT_EQ(inactive.StatusText().toStdString(), "1: 9");
  const QImage rowBefore = Row(OnScreen(active), active.View(), 1);

  QAction* item = MenuItem(ID_SETTINGS);
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(item->isEnabled());
  PaintCounter activePaints(active.viewport());
  QWidget* owner = nullptr;
  OnNextModal([&owner](QDialog* dialog) {
    owner = dialog->parentWidget();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("各種設定"));
    if (auto* tab = Control<QLineEdit>(dialog, "1024")) {
      EXPECT_EQ(tab->text(), "8");
      tab->setText("2");
    }
    Press(dialog, "1");
  });
  item->trigger();

  EXPECT_EQ(owner, &Frame());
  EXPECT_EQ(app->GetSettings().tabSize, 2);
  // The active view took the width at once: its caret column is counted anew and shown.
  EXPECT_EQ(active.StatusText().toStdString(), "1: 3");
  EXPECT_EQ(inactive.StatusText().toStdString(), "1: 9");
  // The whole view was invalidated: the second line, away from the caret, shows what a full
  // repaint shows, and that is not what it showed before.
  const QImage rowAfter = Row(OnScreen(active), active.View(), 1);
  EXPECT_GT(activePaints.paints, 0);
  EXPECT_TRUE(rowAfter == Row(Repainted(active), active.View(), 1));
  EXPECT_FALSE(rowAfter == rowBefore);

  Finish();
  EXPECT_EQ(ProfileValues().value("Settings/TabStops"), "2");
}

TEST_F(WiringViewDialogsTest, SettingsCancelledFromTheMenuChangeNothing) {
  ASSERT_TRUE(Start());
  OnNextModal([](QDialog* dialog) {
    if (auto* tab = Control<QLineEdit>(dialog, "1024")) tab->setText("3");
    Press(dialog, "2");
  });
  ASSERT_TRUE(Frame().RouteCommand(ID_SETTINGS));
  EXPECT_EQ(app->GetSettings().tabSize, kDefaultTabSize);
  Finish();
  EXPECT_FALSE(ProfileValues().contains("Settings/TabStops"));
}

TEST_F(WiringViewDialogsTest, CtrlGProposesTheCaretLineAndGoesToTheLineChosen) {
  QByteArray text;
  for (int i = 1; i <= 50; ++i) text += "line " + QByteArray::number(i) + "\r\n";
  const QString path = WriteFile("long.tex", text);
  ASSERT_TRUE(Start({path}));
  CVeloView& view = ActiveView().View();

  // Each answer, and the line the caret must be on after it (the dialog counts from 1).
  struct Step {
    const char* answer;
    int proposed;
    int line;
  };
  const Step steps[] = {{"30", 1, 29}, {" 2 ", 30, 1}, {"-5", 2, 0}, {"1000", 1, 49}, {"-2147483648", 50, 0}};
  for (const Step& step : steps) {
    QString proposed;
    QWidget* owner = nullptr;
    OnNextModal([&](QDialog* dialog) {
      owner = dialog->parentWidget();
      if (auto* edit = Control<QLineEdit>(dialog, "1000")) {
        proposed = edit->text();
        edit->setText(QString::fromLatin1(step.answer));
      }
      Press(dialog, "1");
    });
    PressKey(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(proposed, QString::number(step.proposed)) << step.answer;
    EXPECT_EQ(owner, &Frame()) << step.answer;
    EXPECT_EQ(view.Caret().line, step.line) << step.answer;
    EXPECT_EQ(view.Caret().byteIndex, 0) << step.answer;
  }

  // Cancel leaves the caret where it was.
  Frame().RouteCommand(ID_LINE_END);
  const TextPos before = view.Caret();
  OnNextModal([](QDialog* dialog) {
    if (auto* edit = Control<QLineEdit>(dialog, "1000")) edit->setText("7");
    Press(dialog, "2");
  });
  PressKey(Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(view.Caret().line, before.line);
  EXPECT_EQ(view.Caret().byteIndex, before.byteIndex);
  EXPECT_FALSE(view.GetDocument().IsModified());
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WiringViewDialogsTest, BothCommandsNeedAnOpenDocument) {
  ASSERT_TRUE(Start());
  EXPECT_TRUE(Frame().QueryCommandState(ID_SETTINGS).enabled);
  EXPECT_TRUE(Frame().QueryCommandState(ID_JUMP_TO_LINE).enabled);
  ASSERT_NE(MenuItem(ID_JUMP_TO_LINE), nullptr);
  EXPECT_TRUE(MenuItem(ID_JUMP_TO_LINE)->isEnabled());

  ASSERT_TRUE(Frame().RouteCommand(ID_FILE_CLOSE));
  Settle();
  ASSERT_TRUE(Frame().Children().isEmpty());
  // The frame's own menu has neither item, and routing them finds no taker.
  EXPECT_EQ(MenuItem(ID_SETTINGS), nullptr);
  EXPECT_FALSE(Frame().QueryCommandState(ID_SETTINGS).enabled);
  EXPECT_FALSE(Frame().QueryCommandState(ID_JUMP_TO_LINE).enabled);
  ExpectNoDialog("the settings command");
  EXPECT_FALSE(Frame().RouteCommand(ID_SETTINGS));
  QCoreApplication::processEvents();
  ExpectNoDialog("Ctrl+G");
  PressKey(Qt::Key_G, Qt::ControlModifier);
  QCoreApplication::processEvents();
}
