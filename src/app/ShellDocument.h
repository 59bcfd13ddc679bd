#pragma once
// The shell's side of one open document: the text (a CVeloDoc), its path and title, and the
// windows that show it. It is the document in the command routing.
#include <QObject>
#include <QString>
#include <memory>
#include <span>
#include <vector>

#include "base/CommandMap.h"
#include "doc/CVeloDoc.h"

class CChildFrame;
class DocumentTemplate;

class ShellDocument : public QObject, public CommandTarget {
  Q_OBJECT

 public:
  ShellDocument(DocumentTemplate& documentTemplate, Settings& settings);
  ~ShellDocument() override;

  CVeloDoc& Doc() { return *doc; }
  const CVeloDoc& Doc() const { return *doc; }
  DocumentTemplate& Template() { return owner; }

  // The full path (a path string of FilePath.h), empty while untitled.
  QString PathName() const { return pathName; }
  // Shown in the window titles: the file name, or "TeX1" and so on while untitled.
  QString Title() const { return title; }
  // Sets the path, its folder resolved, and makes the file name the title; adds the path to
  // the recent-file list when asked.
  void SetPathName(const QString& path, bool addToRecentList);
  void SetTitle(const QString& newTitle);
  bool IsModified() const { return doc->IsModified(); }

  const std::vector<CChildFrame*>& Frames() const { return frames; }
  void AddFrame(CChildFrame* frame);
  // A window has closed. With the last one the document is closed: the template forgets it.
  void RemoveFrame(CChildFrame* frame);
  // A window object is gone; after the last one the document object goes too (later, from
  // the event loop, since its views refer to the text until they are destroyed).
  void FrameDestroyed(CChildFrame* frame);
  // Numbers the windows "name:1", "name:2" while there are several, and retitles them.
  void UpdateFrameCounts();

  // Before the document's last window closes: true when it may close. A modified document
  // asks whether to save it first.
  bool SaveModified();
  // Closes every window of the document without asking; the document goes with the last.
  void OnCloseDocument();

  bool OnCmdMsg(int id, CommandUi* ui) override;

 private:
  static std::span<const CommandEntry<ShellDocument>> CommandTable();
  void OnFileClose();
  void OnFileSave();
  void OnFileSaveAs();

  DocumentTemplate& owner;
  std::unique_ptr<CVeloDoc> doc;
  QString pathName;
  QString title;
  std::vector<CChildFrame*> frames;
  int frameObjects = 0;
};
