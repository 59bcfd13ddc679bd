#include "app/FindReplace.h"

#include <QScreen>

#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/DialogService.h"
#include "app/DialogTexts.h"
#include "app/FindReplaceDialog.h"
#include "platform/Cp932Text.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

FindReplace::FindReplace(CMirevApp& application, CVeloView& editorView)
    : app(application), view(editorView) {}

FindReplace::~FindReplace() {
  if (!findDialog) return;
  findDialog->disconnect();
  delete findDialog;
}

FindReplaceDialog* FindReplace::Dialog() const { return findDialog; }

void FindReplace::OpenDialog(bool withReplace) {
  if (findDialog) return;
  CMainFrame* frame = app.MainFrame();
  findDialog = new FindReplaceDialog(withReplace, Cp932ToQString(searchText), frame);
  FindReplaceDialog* dialog = findDialog;
  QObject::connect(dialog, &FindReplaceDialog::notified, dialog, [this, dialog](unsigned flags) {
    OnNotify(flags, dialog->FindText(), dialog->ReplaceText());
  });
  const QScreen* screen = frame ? frame->screen() : nullptr;
  dialog->move(screen ? screen->geometry().topLeft() : QPoint(0, 0));
  dialog->show();
  dialog->activateWindow();
}

void FindReplace::FindNext() {
  if (!searchText.empty()) view.FindAndShow(searchText, true);
}

void FindReplace::OnNotify(unsigned flags, const QString& findText, const QString& replaceText) {
  if (flags & FindReplaceDialog::kDialogTerm) {
    findDialog = nullptr;
    return;
  }
  const bool down = (flags & FindReplaceDialog::kDown) != 0;
  const bool replace = (flags & FindReplaceDialog::kReplace) != 0;
  const bool replaceAll = (flags & FindReplaceDialog::kReplaceAll) != 0;
  if (!(flags & FindReplaceDialog::kFindNext) && !replace && !replaceAll) return;
  const std::optional<std::string> find = ToCp932(findText);
  if (!find || find->empty()) return;
  if (flags & FindReplaceDialog::kFindNext) {
    searchText = *find;
    view.FindAndShow(searchText, down);
    return;
  }
  const std::optional<std::string> replacement = ToCp932(replaceText);
  if (!replacement) return;
  if (replace) {
    view.ReplaceSelection(*replacement);
    searchText = *find;
    view.FindAndShow(searchText, down);
  } else {
    view.ReplaceAll(*find, *replacement);
  }
}

std::optional<std::string> FindReplace::ToCp932(const QString& text) {
  cp932::EncodeResult encoded = cp932::EncodeUtf16(Utf16Of(text));
  if (encoded.ok) return std::move(encoded.bytes);
  const QString message =
      ResText(IDS_FIND_NOT_CP932).replace(QStringLiteral("%1"), CharName(encoded.codePoint));
  app.Dialogs().MessageBox(findDialog, ResText(IDS_APP_TITLE), message, DialogService::Buttons::Ok,
                           DialogService::Icon::Warning);
  return std::nullopt;
}
