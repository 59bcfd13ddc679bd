#include "app/TypesetPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

#include "app/DialogTexts.h"
#include "base/CommandIds.h"
#include "res/Resources.h"

namespace {

int Rank(typeset::EntryKind kind) {
  switch (kind) {
    case typeset::EntryKind::Error:
      return 0;
    case typeset::EntryKind::Warning:
      return 1;
    case typeset::EntryKind::BadBox:
      return 2;
  }
  return 2;
}

QIcon KindIcon(const QStyle* style, typeset::EntryKind kind) {
  switch (kind) {
    case typeset::EntryKind::Error:
      return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case typeset::EntryKind::Warning:
      return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case typeset::EntryKind::BadBox:
      break;
  }
  return style->standardIcon(QStyle::SP_MessageBoxInformation);
}

}  // namespace

TypesetPane::TypesetPane(QWidget* parent) : QDockWidget(parent) {
  setObjectName(QStringLiteral("typesetPane"));
  setWindowTitle(ResText(IDS_TYPESET_PANE_TITLE));
  // A floating pane would be a window of its own, where the main window's keys do not reach.
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  list = new QListWidget(splitter);
  list->setObjectName(QStringLiteral("typesetEntries"));
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setUniformItemSizes(true);
  output = new QPlainTextEdit(splitter);
  output->setObjectName(QStringLiteral("typesetOutput"));
  output->setReadOnly(true);
  output->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  output->setTabChangesFocus(true);
  output->setLineWrapMode(QPlainTextEdit::NoWrap);
  output->setUndoRedoEnabled(false);
  output->setMaximumBlockCount(kMaxLines);
  // TeX breaks its lines by columns; a fixed pitch keeps them in line.
  output->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  splitter->addWidget(list);
  splitter->addWidget(output);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);
  setWidget(splitter);

  connect(list, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { emit entryChosen(list->row(item)); });
  connect(list, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { emit entryChosen(list->row(item)); });

  flushTimer.setSingleShot(true);
  flushTimer.setInterval(kFlushMs);
  connect(&flushTimer, &QTimer::timeout, this, &TypesetPane::FlushOutput);
}

TypesetPane::~TypesetPane() = default;

void TypesetPane::Clear() {
  flushTimer.stop();
  pending.clear();
  pendingOpen.clear();
  openChanged = false;
  openShown = false;
  output->clear();
  ClearEntries();
}

// --- Output ----------------------------------------------------------------------------------

void TypesetPane::AppendLine(const QString& text) {
  pending.append(text);
  // Lines that the pane would drop at once are dropped before they cost anything.
  if (pending.size() > kMaxLines) pending.erase(pending.begin(), pending.end() - kMaxLines);
  // The complete line replaces the open one it grew from.
  if (!pendingOpen.isEmpty() || openShown) openChanged = true;
  pendingOpen.clear();
  if (!flushTimer.isActive()) flushTimer.start();
}

void TypesetPane::SetOpenLine(const QString& text) {
  if (text == pendingOpen && !openChanged) return;
  pendingOpen = text;
  openChanged = true;
  if (!flushTimer.isActive()) flushTimer.start();
}

void TypesetPane::FlushOutput() {
  flushTimer.stop();
  if (pending.isEmpty() && !openChanged) return;
  if (openChanged && openShown) RemoveOpenLine();
  if (!pending.isEmpty()) {
    output->appendPlainText(pending.join(u'\n'));
    pending.clear();
  }
  if (openChanged) {
    openShown = !pendingOpen.isEmpty();
    if (openShown) output->appendPlainText(pendingOpen);
    openChanged = false;
  }
}

void TypesetPane::RemoveOpenLine() {
  QTextCursor cursor(output->document());
  cursor.movePosition(QTextCursor::End);
  cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  // And the line break before it, unless it was the only line.
  cursor.deletePreviousChar();
  openShown = false;
}

// --- Entries ---------------------------------------------------------------------------------

void TypesetPane::AddEntry(Entry entry) {
  const int rank = Rank(entry.kind);
  const auto at = std::upper_bound(entries.begin(), entries.end(), rank,
                                   [](int r, const Entry& e) { return r < Rank(e.kind); });
  const int row = static_cast<int>(at - entries.begin());
  auto* item = new QListWidgetItem(KindIcon(style(), entry.kind), entry.text);
  item->setToolTip(entry.path.isEmpty() ? entry.text : entry.path);
  list->insertItem(row, item);
  entries.insert(at, std::move(entry));
  if (current >= row) ++current;
}

void TypesetPane::ClearEntries() {
  list->clear();
  entries.clear();
  current = -1;
}

int TypesetPane::StepFrom(int direction) const {
  const int count = EntryCount();
  if (count == 0) return -1;
  if (direction < 0) {
    if (current < 0) return count - 1;
    return current - 1;
  }
  return current + 1 < count ? current + 1 : -1;
}

void TypesetPane::SetCurrent(int row) {
  if (row < 0 || row >= EntryCount()) return;
  current = row;
  list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  list->scrollToItem(list->item(row));
}

// --- Focus and commands ------------------------------------------------------------------------

bool TypesetPane::HasFocusInside() const {
  // The window's focus, not the application's: an open menu or an inactive window keeps it.
  const QWidget* focus = window()->focusWidget();
  return !isHidden() && focus && isAncestorOf(focus);
}

void TypesetPane::FocusPane() {
  QWidget* last = widget() ? widget()->focusWidget() : nullptr;
  if (last != output) last = list;
  last->setFocus(Qt::OtherFocusReason);
}

std::span<const CommandEntry<TypesetPane>> TypesetPane::CommandTable() {
  static const CommandEntry<TypesetPane> table[] = {
      {ID_EDIT_COPY, &TypesetPane::OnCopy},
      {ID_EDIT_SELECT_ALL, &TypesetPane::OnSelectAll},
      // The output is not the document: what would change the text does nothing here.
      {ID_EDIT_CUT, &TypesetPane::OnDocumentEdit, &TypesetPane::OnUpdateDisabled},
      {ID_EDIT_PASTE, &TypesetPane::OnDocumentEdit, &TypesetPane::OnUpdateDisabled},
      {ID_EDIT_DELETE, &TypesetPane::OnDocumentEdit, &TypesetPane::OnUpdateDisabled},
      {ID_EDIT_UNDO, &TypesetPane::OnDocumentEdit, &TypesetPane::OnUpdateDisabled},
      {ID_EDIT_REDO, &TypesetPane::OnDocumentEdit, &TypesetPane::OnUpdateDisabled},
  };
  return table;
}

bool TypesetPane::OnCmdMsg(int id, CommandUi* ui) { return DispatchCommand(*this, CommandTable(), id, ui); }

void TypesetPane::OnUpdateDisabled(CommandUi& ui) { ui.enabled = false; }

void TypesetPane::OnCopy() {
  if (output->hasFocus()) {
    output->copy();
    return;
  }
  QList<QListWidgetItem*> selected = list->selectedItems();
  if (selected.isEmpty()) return;
  std::sort(selected.begin(), selected.end(),
            [this](QListWidgetItem* a, QListWidgetItem* b) { return list->row(a) < list->row(b); });
  QStringList texts;
  for (const QListWidgetItem* item : selected) texts << item->text();
  QApplication::clipboard()->setText(texts.join(u'\n'));
}

void TypesetPane::OnSelectAll() {
  if (output->hasFocus())
    output->selectAll();
  else
    list->selectAll();
}
