#include "app/ShellDocument.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/DocumentTemplate.h"
#include "app/FileCommands.h"
#include "app/FilePath.h"
#include "base/CommandIds.h"

ShellDocument::ShellDocument(DocumentTemplate& documentTemplate, Settings& settings)
    : QObject(&documentTemplate), owner(documentTemplate), doc(std::make_unique<CVeloDoc>(settings)) {}

ShellDocument::~ShellDocument() = default;

void ShellDocument::SetPathName(const QString& path, bool addToRecentList) {
  // Resolved through the file system, so that it names the file that was read or written.
  pathName = ResolvedPath(path);
  SetTitle(DisplayPath(PathFileName(pathName)));
  if (addToRecentList) owner.App().AddToRecentFileList(pathName);
}

void ShellDocument::SetTitle(const QString& newTitle) {
  title = newTitle;
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

bool ShellDocument::SaveModified() { return ::SaveModified(*this); }

void ShellDocument::OnFileSave() { ::OnFileSave(*this); }

void ShellDocument::OnFileSaveAs() { ::OnFileSaveAs(*this); }

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
      {ID_FILE_SAVE, &ShellDocument::OnFileSave},
      {ID_FILE_SAVE_AS, &ShellDocument::OnFileSaveAs},
  };
  return table;
}

bool ShellDocument::OnCmdMsg(int id, CommandUi* ui) { return DispatchCommand(*this, CommandTable(), id, ui); }
