#pragma once
// The output pane under the document windows: what the typesetting programs print, as it
// arrives, and the errors and warnings read from it, in the order F4 walks them. A click or
// Enter on an entry asks for a jump to its place.
//
// While the keyboard focus is in the pane it comes first in the command routing: copy and
// select all act on the pane, and the commands that would change the document are off.
#include <QDockWidget>
#include <QStringList>
#include <QTimer>
#include <span>
#include <vector>

#include "base/CommandMap.h"
#include "tex/TypesetLog.h"

class QListWidget;
class QPlainTextEdit;

class TypesetPane : public QDockWidget, public CommandTarget {
  Q_OBJECT

 public:
  // A program that prints without end (a TeX loop that writes) must not fill the memory or
  // hold up the window: the pane keeps this many lines, and shows new ones every kFlushMs.
  static constexpr int kMaxLines = 5000;
  static constexpr int kFlushMs = 50;

  struct Entry {
    typeset::EntryKind kind = typeset::EntryKind::Error;
    QString path;  // absolute; empty when the output names no file
    int line = 0;  // 1-based; 0 when it names none
    QString message;
    QString text;  // as the list shows it
  };

  explicit TypesetPane(QWidget* parent = nullptr);
  ~TypesetPane() override;

  // A new run: no output, no entries, nothing walked yet.
  void Clear();

  void AppendLine(const QString& text);
  // The line still being written, shown after the last one until it ends; empty for none.
  void SetOpenLine(const QString& text);
  // Shows what is waiting now instead of at the next tick.
  void FlushOutput();
  QPlainTextEdit* Output() const { return output; }

  // Puts the entry at its place in walking order (errors, then warnings, then bad boxes).
  void AddEntry(Entry entry);
  void ClearEntries();
  int EntryCount() const { return static_cast<int>(entries.size()); }
  const Entry& EntryAt(int row) const { return entries[static_cast<std::size_t>(row)]; }
  QListWidget* EntryList() const { return list; }

  // The walk: the entry shown last (-1 for none yet) and the one a step forward (+1) or back
  // (-1) from it goes to, or -1 when there is none that way. Back from nothing is the last.
  int Current() const { return current; }
  int StepFrom(int direction) const;
  void SetCurrent(int row);

  bool HasFocusInside() const;
  // Focus to the part of the pane that had it last, else the entry list.
  void FocusPane();

  bool OnCmdMsg(int id, CommandUi* ui) override;

 signals:
  void entryChosen(int row);

 private:
  static std::span<const CommandEntry<TypesetPane>> CommandTable();
  void OnCopy();
  void OnSelectAll();
  void OnUpdateDisabled(CommandUi& ui);
  void OnDocumentEdit() {}
  void RemoveOpenLine();

  QListWidget* list;
  QPlainTextEdit* output;
  std::vector<Entry> entries;
  int current = -1;

  QStringList pending;
  QString pendingOpen;
  bool openChanged = false;
  bool openShown = false;
  QTimer flushTimer;
};
