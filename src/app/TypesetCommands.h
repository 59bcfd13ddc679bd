#pragma once
// The typesetting commands of the main window: typeset the active document (saved first),
// stop, walk the errors and warnings (F4, Shift+F4), open the PDF, the output pane and its
// busy indicator in the status bar, focus between the document window and the pane (F6,
// Shift+F6), and the settings dialog. In the command routing it comes after the main window.
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <span>

#include "base/CommandMap.h"

class CMainFrame;
class CMirevApp;
class QLabel;
class TypesetPane;
class TypesetRunner;

class TypesetCommands : public QObject, public CommandTarget {
  Q_OBJECT

 public:
  // Puts the pane under the frame's document windows (hidden until a run starts) and the busy
  // indicator into its status bar.
  TypesetCommands(CMirevApp& application, CMainFrame& mainFrame);
  ~TypesetCommands() override;

  TypesetPane& Pane() const { return *pane; }
  TypesetRunner& Runner() const { return *runner; }
  // Shown while a run goes on.
  QWidget* BusyIndicator() const { return busy; }
  // The pane while the keyboard focus is in it, else null: it comes first in the routing then.
  CommandTarget* FocusTarget() const;

  // What opens a PDF with the desktop's viewer; false when it could not.
  void SetPdfOpener(std::function<bool(const QString& path)> opener) { openPdf = std::move(opener); }
  // The PDF of the document typeset last, else of the active document; empty without either.
  QString PdfPath() const;

  bool OnCmdMsg(int id, CommandUi* ui) override;

 private:
  static std::span<const CommandEntry<TypesetCommands>> CommandTable();
  void OnTypeset();
  void OnUpdateNeedsDocument(CommandUi& ui);
  void OnStop();
  void OnUpdateStop(CommandUi& ui);
  void OnNextError();
  void OnPrevError();
  void OnOpenPdf();
  void OnUpdateOpenPdf(CommandUi& ui);
  void OnViewPane();
  void OnUpdateViewPane(CommandUi& ui);
  void OnNextPane();
  void OnSettings();

  void OnStepStarted(int step, int steps, const QString& program);
  void OnEntryAdded(int index);
  void OnFinished();
  void Walk(int direction);
  void GoToEntry(int row);
  void OpenPdf(const QString& path);
  void ShowMessage(const QString& text);

  CMirevApp& app;
  CMainFrame& frame;
  TypesetRunner* runner;
  TypesetPane* pane;
  QWidget* busy;
  QLabel* busyText;
  std::function<bool(const QString&)> openPdf;
  QStringList commandLines;  // the run's commands as the output shows them
  QString typesetPath;       // the document typeset last
};
