#include "app/ShellDocument.h"

#include <QFile>
#include <QFileInfo>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/DialogService.h"
#include "app/DocumentTemplate.h"
#include "doc/TextFile.h"
#include "res/CommandIds.h"
#include "res/Resources.h"

ShellDocument::ShellDocument(DocumentTemplate& owner, Settings& settings)
    : QObject(&owner), owner(owner), doc(std::make_unique<CVeloDoc>(settings)) {}

ShellDocument::~ShellDocument() = default;

void ShellDocument::SetPathName(const QString& path, bool addToRecentList) {
  pathName = path;
  SetTitle(QFileInfo(path).fileName());
  doc->pathName = path.toStdString();
  if (addToRecentList) owner.App().AddToRecentFileList(path);
}

void ShellDocument::SetTitle(const QString& newTitle) {
  title = newTitle;
  doc->title = newTitle.toStdString();
  for (CChildFrame* frame : frames) frame->UpdateFrameTitle();
}

void ShellDocument::AddFrame(CChildFrame* frame) {
  frames.push_back(frame);
  ++frameObjects;
  UpdateFrameCounts();
}

void ShellDocument::RemoveFrame(CChildFrame* frame) {
  if (std::erase(frames, frame) == 0) return;
  if (frames.empty()) {
    owner.DocumentClosed(this);
  } else {
    UpdateFrameCounts();
  }
}

void ShellDocument::FrameDestroyed(CChildFrame* frame) {
  RemoveFrame(frame);
  if (--frameObjects == 0 && frames.empty()) deleteLater();
}

void ShellDocument::UpdateFrameCounts() {
  const int count = static_cast<int>(frames.size());
  for (int i = 0; i < count; ++i) frames[static_cast<std::size_t>(i)]->SetWindowNumber(count > 1 ? i + 1 : 0);
}

bool ShellDocument::SaveModified() {
  if (!IsModified()) return true;
  const QString name = pathName.isEmpty() ? title : QFileInfo(pathName).fileName();
  const QString question = QString::fromUtf8(ResourceString(IDS_ASK_TO_SAVE)).arg(name);
  const auto answer = owner.App().Dialogs().MessageBox(
      owner.App().MainFrame(), QString::fromUtf8(ResourceString(IDS_APP_TITLE)), question,
      DialogService::Buttons::YesNoCancel, DialogService::Icon::Warning);
  switch (answer) {
    case DialogService::Answer::Yes:
      return DoFileSave();
    case DialogService::Answer::No:
      return true;
    default:
      return false;
  }
}

bool ShellDocument::DoFileSave() {
  // Without a path the file name must be asked for first; until then the close stops here,
  // so nothing is lost.
  if (pathName.isEmpty()) return false;
  const FileResult result = WriteTextFile(QFile::encodeName(pathName).toStdString(), *doc);
  if (result.Ok()) return true;
  owner.App().Dialogs().MessageBox(owner.App().MainFrame(), QString::fromUtf8(ResourceString(IDS_APP_TITLE)),
                                   QString::fromUtf8(ResourceString(IDS_FAILED_TO_SAVE_DOC)),
                                   DialogService::Buttons::Ok, DialogService::Icon::Warning);
  return false;
}

void ShellDocument::OnCloseDocument() {
  // Closing the last window removes the document; work on a copy.
  const std::vector<CChildFrame*> windows = frames;
  for (CChildFrame* frame : windows) frame->CloseWithoutAsking();
}

void ShellDocument::OnFileClose() {
  if (!SaveModified()) return;
  OnCloseDocument();
}

std::span<const CommandEntry<ShellDocument>> ShellDocument::CommandTable() {
  static const CommandEntry<ShellDocument> table[] = {
      {ID_FILE_CLOSE, &ShellDocument::OnFileClose},
  };
  return table;
}

bool ShellDocument::OnCmdMsg(int id, CommandUi* ui) { return DispatchCommand(*this, CommandTable(), id, ui); }
