#pragma once
// The one place where keys become commands. Installed on the application, it sees every key
// meant for the main window or a window inside it: the active document window's table is
// tried first (unless the key is meant for a docked pane), then the main window's, then the
// window system's keys for document windows.
// A key found in a table is routed as its command and goes no further, even when no object
// takes the command. While the active view shows text being composed, no key is translated.
#include <QObject>

class CMainFrame;
class DocumentTemplate;
class QKeyEvent;

class AcceleratorFilter : public QObject {
  Q_OBJECT

 public:
  AcceleratorFilter(CMainFrame& mainFrame, DocumentTemplate& documentTemplate);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs what the key stands for; false when it stands for nothing here.
  bool Translate(const QKeyEvent& key, bool inPane, bool run);

  CMainFrame& frame;
  DocumentTemplate& docTemplate;
};
