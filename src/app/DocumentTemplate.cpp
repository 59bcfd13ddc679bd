#include "app/DocumentTemplate.h"

#include <sys/stat.h>

#include <QApplication>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/DialogService.h"
#include "app/DialogTexts.h"
#include "app/FileCommands.h"
#include "app/FilePath.h"
#include "app/ShellDocument.h"
#include "doc/TextFile.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "tex/CMirevView.h"

namespace {

// A file's identity for "is it open already": links, "." and ".." and other names of the
// same file all lead to it.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool known = false;
  friend bool operator==(const FileId&, const FileId&) = default;
};

FileId IdOf(const QString& path) {
  struct stat st {};
  if (::stat(PathStdBytes(path).c_str(), &st) != 0) return {};
  return {st.st_dev, st.st_ino, true};
}

// Shows the wait cursor while it lives.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

DocumentTemplate::DocumentTemplate(CMirevApp& application) : app(application), accelerators(IDR_TEXTYPE) {}

DocumentTemplate::~DocumentTemplate() = default;

QString DocumentTemplate::DocName() const {
  return QString::fromUtf8(StringField(IDR_TEXTYPE, kDocFieldDocName));
}

ShellDocument* DocumentTemplate::NewDocument() {
  auto* doc = new ShellDocument(*this, app.GetSettings());
  documents.append(doc);
  doc->SetTitle(DocName() + QString::number(++untitledCount));
  CreateNewFrame(*doc);
  return doc;
}

ShellDocument* DocumentTemplate::OpenDocumentFile(const QString& path) {
  if (ShellDocument* open = FindDocument(path)) {
    if (!open->Frames().empty()) app.MainFrame()->ActivateChild(open->Frames().front());
    return open;
  }
  auto* doc = new ShellDocument(*this, app.GetSettings());
  FileResult result;
  {
    const WaitCursor wait;
    result = ReadTextFile(PathStdBytes(path), doc->Doc());
  }
  if (!result.Ok()) {
    delete doc;
    ReportReadFailure(app.Dialogs(), app.MainFrame(), result, path);
    return nullptr;
  }
  documents.append(doc);
  doc->SetPathName(path, true);
  CreateNewFrame(*doc);
  return doc;
}

ShellDocument* DocumentTemplate::FindDocument(const QString& path) const {
  const FileId wanted = IdOf(path);
  const QString resolved = ResolvedPath(path);
  for (ShellDocument* doc : documents) {
    if (doc->PathName().isEmpty()) continue;
    if (wanted.known ? IdOf(doc->PathName()) == wanted : doc->PathName() == resolved) return doc;
  }
  return nullptr;
}

CChildFrame* DocumentTemplate::CreateNewFrame(ShellDocument& doc) {
  Settings& settings = app.GetSettings();
  const CMacroMenu& macros = app.MacroMenu();
  // The view every document window shows: the TeX view.
  auto* view = new ViewWidget([&doc, &settings, &macros](ViewHost& host) {
    return std::make_unique<CMirevView>(doc.Doc(), settings, host, macros);
  });
  CMirevApp& owner = app;
  view->SetMessageBox([&owner](const QString& text) {
    owner.Dialogs().MessageBox(owner.MainFrame(), ResText(IDS_APP_TITLE), text, DialogService::Buttons::Ok,
                               DialogService::Icon::Warning);
  });
  auto* frame = new CChildFrame(doc, view);
  app.MainFrame()->AddChild(frame);
  view->InitialUpdate();
  view->setFocus();
  return frame;
}

bool DocumentTemplate::SaveAllModified() {
  for (ShellDocument* doc : documents) {
    if (!doc->SaveModified()) return false;
  }
  return true;
}

void DocumentTemplate::CloseAllDocuments() {
  const QList<ShellDocument*> open = documents;
  for (ShellDocument* doc : open) doc->OnCloseDocument();
}

void DocumentTemplate::DocumentClosed(ShellDocument* doc) {
  documents.removeOne(doc);
  if (CMainFrame* frame = app.MainFrame()) frame->UpdateMenuForDocuments();
}
