#pragma once
// The one document template (resource 129): it makes the documents, their windows and views,
// names untitled documents "TeX1", "TeX2", ..., and carries the document windows' accelerator
// table.
#include <QList>
#include <QObject>
#include <QString>

#include "app/AcceleratorTable.h"

class CChildFrame;
class CMirevApp;
class ShellDocument;

class DocumentTemplate : public QObject {
  Q_OBJECT

 public:
  explicit DocumentTemplate(CMirevApp& application);
  ~DocumentTemplate() override;

  CMirevApp& App() { return app; }
  // "TeX": untitled documents are this name and a running number.
  QString DocName() const;
  AcceleratorTable& Accelerators() { return accelerators; }

  // A new untitled document in a new window.
  ShellDocument* NewDocument();
  // An already open file is activated; otherwise the file is read into a new document shown
  // in a new window. Null when it cannot be read (the user has been told).
  ShellDocument* OpenDocumentFile(const QString& path);
  // The open document of this file, whichever of its names the path is.
  ShellDocument* FindDocument(const QString& path) const;
  // Another window on the document, maximised and active.
  CChildFrame* CreateNewFrame(ShellDocument& doc);

  const QList<ShellDocument*>& Documents() const { return documents; }
  // Asks about every modified document; false as soon as one says stop.
  bool SaveAllModified();
  void CloseAllDocuments();
  // Called by a document whose last window has gone.
  void DocumentClosed(ShellDocument* doc);

 private:
  CMirevApp& app;
  AcceleratorTable accelerators;
  QList<ShellDocument*> documents;
  int untitledCount = 0;
};
