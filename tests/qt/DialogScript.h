#pragma once
// Driving the shell's modal dialogs from tests: a DialogService that answers from a script
// and records what it was asked, and helpers that act on the modal dialog that is up.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/DialogService.h"

// In a namespace of its own: other shell tests have script classes of the same name.
namespace dialogtest {

class ScriptedDialogs : public DialogService {
 public:
  struct Message {
    QWidget* owner = nullptr;
    QString caption;
    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
  };

  Answer MessageBox(QWidget* owner, const QString& caption, const QString& text, Buttons buttons,
                    Icon icon) override {
    messages.push_back({owner, caption, text, buttons, icon});
    if (buttons == Buttons::Ok) return Answer::Ok;
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text.toStdString();
      return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::optional<QString> GetOpenFileName(QWidget*, const FileDialogRequest& request) override {
    openRequests.push_back(request);
    return Next(openAnswers, "open dialog");
  }

  std::optional<QString> GetSaveFileName(QWidget*, const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return Next(saveAnswers, "save dialog");
  }

  std::optional<Color> ChooseColor(QWidget*, Color initial) override {
    colorRequests.push_back(initial);
    return Next(colorAnswers, "colour dialog");
  }

  std::vector<Message> messages;
  std::deque<Answer> answers;  // for every box with more than an OK button
  std::vector<FileDialogRequest> openRequests;
  std::deque<std::optional<QString>> openAnswers;
  std::vector<FileDialogRequest> saveRequests;
  std::deque<std::optional<QString>> saveAnswers;
  std::vector<Color> colorRequests;
  std::deque<std::optional<Color>> colorAnswers;

 private:
  template <class T>
  static std::optional<T> Next(std::deque<std::optional<T>>& queue, const char* what) {
    if (queue.empty()) {
      ADD_FAILURE() << "unexpected " << what;
      return std::nullopt;
    }
    std::optional<T> answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

// Closes every modal dialog, so that a failed script does not leave a test hanging.
inline void RejectAllModals() {
  while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
}

// Runs script on the modal dialog that is up once the event loop runs next, which is as soon
// as the dialog about to be run has opened.
inline void OnNextModal(std::function<void(QDialog*)> script) {
  QTimer::singleShot(0, qApp, [script = std::move(script)] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      ADD_FAILURE() << "no modal dialog is up";
      return;
    }
    script(dialog);
  });
}

// The dialog's child named name (the control id), or a failure and every dialog closed.
template <class T>
T* Control(QWidget* dialog, const char* name) {
  T* control = dialog->findChild<T*>(QString::fromLatin1(name));
  if (!control) {
    ADD_FAILURE() << "no control " << name << " in " << dialog->metaObject()->className();
    RejectAllModals();
  }
  return control;
}

// Presses the button with the given control id.
inline void Press(QWidget* dialog, const char* id) {
  if (auto* button = Control<QAbstractButton>(dialog, id)) button->click();
}

}  // namespace dialogtest
