#pragma once
// A whole application on the offscreen platform with its own scratch profile and scripted dialogs.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/DialogService.h"
#include "app/DocumentTemplate.h"
#include "app/ShellDocument.h"

inline std::ostream& operator<<(std::ostream& out, const QString& text) { return out << text.toStdString(); }
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text << '"'; }

// Answers the shell's dialogs from a script and records what each was asked. A box with only an
// OK button is answered at once; anything else nobody scripted fails the test and is cancelled.
class ScriptedDialogs : public DialogService {
 public:
  struct Box {
    bool owned = false;
    QString caption;
    QString text;
  };

  Answer MessageBox(QWidget* owner, const QString& caption, const QString& text, Buttons buttons,
                    Icon) override {
    boxes.push_back({owner != nullptr, caption, text});
    if (buttons != Buttons::Ok) return Next(answers, "question").value_or(Answer::Cancel);
    if (!answers.empty() && answers.front() == Answer::Ok) answers.pop_front();  // scripted for it
    return Answer::Ok;
  }
  std::optional<QString> GetOpenFileName(QWidget*, const FileDialogRequest& request) override {
    openRequests.push_back(request);
    return Next(openAnswers, "open dialog");
  }
  std::optional<QString> GetSaveFileName(QWidget*, const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return Next(saveAnswers, "save dialog");
  }
  std::optional<Color> ChooseColor(QWidget*, Color) override { return Next(colorAnswers, "colour dialog"); }
  void Expect(Answer answer) { answers.push_back(answer); }

  std::vector<Box> boxes;
  std::deque<std::optional<Answer>> answers;
  std::vector<FileDialogRequest> openRequests, saveRequests;
  std::deque<std::optional<QString>> openAnswers, saveAnswers;
  std::deque<std::optional<Color>> colorAnswers;

 private:
  template <class T>
  static std::optional<T> Next(std::deque<std::optional<T>>& queue, const char* what) {
    if (queue.empty()) {
      ADD_FAILURE() << "unexpected " << what;
      return std::nullopt;
    }
    const std::optional<T> answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

inline void RejectAllModals() {
  while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
}

// Runs script on the modal dialog about to be run, once it is up.
inline void OnNextModal(std::function<void(QDialog*)> script) {
  QTimer::singleShot(0, qApp, [script = std::move(script)] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return ADD_FAILURE() << "no modal dialog is up", void();
    script(dialog);
  });
}

template <class T>
T* Control(QWidget* dialog, const char* name) {
  T* control = dialog->findChild<T*>(QString::fromLatin1(name));
  if (!control) {
    ADD_FAILURE() << "no control " << name << " in " << dialog->metaObject()->className();
    RejectAllModals();
  }
  return control;
}

inline void Press(QWidget* dialog, const char* id) {
  if (auto* button = Control<QAbstractButton>(dialog, id)) button->click();
}

inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class ShellFixture : public ::testing::Test {
 protected:
  ~ShellFixture() override { Finish(); }

  QString ProfilePath() const { return profileDir.filePath(QStringLiteral("Mirev.conf")); }

  // The arguments come after the program name; adjust may change the options first.
  bool Start(const QStringList& arguments = {}, DialogService* service = nullptr,
             const std::function<void(AppOptions&)>& adjust = {}) {
    AppOptions options;
    options.profileLocation = ProfilePath();
    options.dialogs = service ? service : &dialogs;
    options.shellIntegration = false;
    if (adjust) adjust(options);
    app = std::make_unique<CMirevApp>(options);
    return app->InitInstance(QStringList{QStringLiteral("mirev")} + arguments);
  }

  void Finish() {
    if (!app) return;
    app->ExitInstance();
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  CMainFrame& Frame() { return *app->MainFrame(); }
  DocumentTemplate& Template() { return app->Template(); }
  ShellDocument& ActiveDocument() { return Frame().ActiveChild()->Document(); }

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

  // A key as the window system delivers it: first the shortcut check, then the press.
  void PressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, QWidget* target = nullptr,
                const QString& text = {}) {
    if (!target) target = KeyTarget();
    for (const QEvent::Type type : {QEvent::ShortcutOverride, QEvent::KeyPress, QEvent::KeyRelease}) {
      QKeyEvent event(type, key, modifiers, text);
      QCoreApplication::sendEvent(target, &event);
    }
  }

  // The menu item of a command after every popup has been brought up to date.
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
