#pragma once
// A whole application on the offscreen platform with its own scratch profile and scripted
// message boxes, and the means to press keys at it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <vector>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/DialogService.h"
#include "app/DocumentTemplate.h"
#include "app/ShellDocument.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// Answers message boxes from a script and remembers each box. A box nobody expected fails
// the test and is cancelled.
class ScriptedDialogs : public DialogService {
 public:
  struct Box {
    bool owned = false;
    QString caption;
    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
  };

  Answer MessageBox(QWidget* owner, const QString& caption, const QString& text, Buttons buttons,
                    Icon icon) override {
    boxes.push_back({owner != nullptr, caption, text, buttons, icon});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected message box: " << caption.toStdString() << ": " << text.toStdString();
      return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  void Expect(Answer answer) { answers.push_back(answer); }

  std::vector<Box> boxes;
  std::deque<Answer> answers;
};

class ShellFixture : public ::testing::Test {
 protected:
  ~ShellFixture() override { Finish(); }

  QString ProfilePath() const { return profileDir.filePath(QStringLiteral("Mirev.conf")); }

  // Starts the application with the given command-line arguments (after the program name).
  bool Start(const QStringList& arguments = {}) {
    AppOptions options;
    options.profileLocation = ProfilePath();
    options.dialogs = &dialogs;
    options.shellIntegration = false;
    app = std::make_unique<CMirevApp>(options);
    return app->InitInstance(QStringList{QStringLiteral("mirev")} + arguments);
  }

  // Shuts down as the program does after its event loop, and drops the application.
  void Finish() {
    if (!app) return;
    app->ExitInstance();
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  CMainFrame& Frame() { return *app->MainFrame(); }
  DocumentTemplate& Template() { return app->Template(); }

  // Lets closed windows and documents go, as the event loop would.
  static void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }

  QStringList ChildTitles() {
    QStringList titles;
    for (CChildFrame* child : Frame().Children()) titles.append(child->windowTitle());
    return titles;
  }

  // Where a real key would land: the focused widget of the main window, else the window.
  QWidget* KeyTarget() {
    QWidget* focus = Frame().focusWidget();
    return focus ? focus : &Frame();
  }

  // A key press as the window system delivers it: first the shortcut check, then the press.
  void PressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, QWidget* target = nullptr) {
    if (!target) target = KeyTarget();
    QKeyEvent override(QEvent::ShortcutOverride, key, modifiers);
    QCoreApplication::sendEvent(target, &override);
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(target, &release);
  }

  // The menu item of a command after every popup has been brought up to date, as if each
  // had been opened.
  QAction* MenuItem(int id) {
    QList<QAction*> pending = Frame().menuBar()->actions();
    while (!pending.isEmpty()) {
      if (QMenu* popup = pending.takeFirst()->menu()) {
        Frame().UpdatePopup(popup);
        pending += popup->actions();
      }
    }
    return Frame().FindAction(id);
  }

  QString WriteFile(const QString& name, const QByteArray& bytes) {
    const QString path = filesDir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  // Every key of the profile with its value as written.
  QMap<QString, QString> ProfileValues() {
    QSettings profile(ProfilePath(), QSettings::IniFormat);
    QMap<QString, QString> values;
    for (const QString& key : profile.allKeys()) values.insert(key, profile.value(key).toString());
    return values;
  }

  void WriteProfile(const QMap<QString, QVariant>& values) {
    QSettings profile(ProfilePath(), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it) profile.setValue(it.key(), it.value());
  }

  QTemporaryDir profileDir;
  QTemporaryDir filesDir;
  ScriptedDialogs dialogs;
  std::unique_ptr<CMirevApp> app;
};
