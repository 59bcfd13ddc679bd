#include "app/DocumentTemplate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/DialogService.h"
#include "app/FileCommands.h"
#include "app/ShellDocument.h"
#include "doc/TextFile.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "tex/CMirevView.h"

namespace {

// The file's identity for "is it open already": symbolic links and "." or ".." resolved.
QString CanonicalPath(const QString& path) {
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

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
  const FileResult result = ReadTextFile(QFile::encodeName(path).toStdString(), doc->Doc());
  if (!result.Ok()) {
    delete doc;
    ReportReadFailure(app.Dialogs(), app.MainFrame(), result, path);
    return nullptr;
  }
  documents.append(doc);
  doc->SetPathName(QDir::cleanPath(QFileInfo(path).absoluteFilePath()), true);
  CreateNewFrame(*doc);
  return doc;
}

ShellDocument* DocumentTemplate::FindDocument(const QString& path) const {
  const QString wanted = CanonicalPath(path);
  for (ShellDocument* doc : documents) {
    if (!doc->PathName().isEmpty() && CanonicalPath(doc->PathName()) == wanted) return doc;
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
    owner.Dialogs().MessageBox(owner.MainFrame(), QString::fromUtf8(ResourceString(IDS_APP_TITLE)), text,
                               DialogService::Buttons::Ok, DialogService::Icon::Warning);
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
