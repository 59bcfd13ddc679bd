#include "app/FindReplaceDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/DialogTexts.h"

namespace {

QPushButton* Button(QWidget* parent, int dialog, int control) {
  auto* button = new QPushButton(DialogText(dialog, control), parent);
  SetControlId(button, control);
  button->setAutoDefault(false);
  return button;
}

QCheckBox* CheckBox(QWidget* parent, int dialog, int control) {
  auto* box = new QCheckBox(DialogText(dialog, control), parent);
  SetControlId(box, control);
  return box;
}

QLineEdit* Field(QWidget* parent, int control, QLabel* label) {
  auto* edit = new QLineEdit(parent);
  SetControlId(edit, control);
  label->setBuddy(edit);
  return edit;
}

}  // namespace

FindReplaceDialog::FindReplaceDialog(bool withReplace, const QString& findText, QWidget* parent)
    : QDialog(parent) {
  const int id = withReplace ? IDD_REPLACE : IDD_FIND;
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setWindowTitle(DialogTitle(id));

  auto* findLabel = new QLabel(DialogText(id, IDC_LABEL_FIND_WHAT), this);
  findEdit = Field(this, IDC_FIND_WHAT, findLabel);
  findEdit->setText(findText);
  findEdit->selectAll();
  QLabel* replaceLabel = nullptr;
  if (withReplace) {
    replaceLabel = new QLabel(DialogText(id, IDC_LABEL_REPLACE_WITH), this);
    replaceEdit = Field(this, IDC_REPLACE_WITH, replaceLabel);
  }
  wholeWord = CheckBox(this, id, IDC_WHOLE_WORD);
  matchCase = CheckBox(this, id, IDC_MATCH_CASE);

  findNext = Button(this, id, IDC_OK);
  findNext->setDefault(true);
  auto* cancel = Button(this, id, IDC_CANCEL);
  connect(findNext, &QPushButton::clicked, this, [this] { Report(kFindNext); });
  connect(cancel, &QPushButton::clicked, this, &FindReplaceDialog::reject);
  connect(findEdit, &QLineEdit::textChanged, this, &FindReplaceDialog::UpdateButtons);

  auto* grid = new QGridLayout;
  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(findEdit, 0, 1);
  auto* options = new QVBoxLayout;
  options->addWidget(wholeWord);
  options->addWidget(matchCase);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(findNext);
  QWidget* last = findEdit;
  if (withReplace) {
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(replaceEdit, 1, 1);
    replace = Button(this, id, IDC_REPLACE);
    replaceAll = Button(this, id, IDC_REPLACE_ALL);
    connect(replace, &QPushButton::clicked, this, [this] { Report(kReplace); });
    connect(replaceAll, &QPushButton::clicked, this, [this] { Report(kReplaceAll); });
    buttons->addWidget(replace);
    buttons->addWidget(replaceAll);
    grid->addLayout(options, 2, 0, 1, 2);
    for (QWidget* next : {static_cast<QWidget*>(replaceEdit), static_cast<QWidget*>(wholeWord),
                          static_cast<QWidget*>(matchCase)}) {
      setTabOrder(last, next);
      last = next;
    }
  } else {
    auto* direction = new QGroupBox(DialogText(id, IDC_GROUP_DIRECTION), this);
    auto* up = new QRadioButton(DialogText(id, IDC_UP), direction);
    SetControlId(up, IDC_UP);
    down = new QRadioButton(DialogText(id, IDC_DOWN), direction);
    SetControlId(down, IDC_DOWN);
    down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(up);
    directionLayout->addWidget(down);
    auto* row = new QHBoxLayout;
    row->addLayout(options);
    row->addWidget(direction);
    grid->addLayout(row, 1, 0, 1, 2);
    for (QWidget* next : {static_cast<QWidget*>(wholeWord), static_cast<QWidget*>(matchCase),
                          static_cast<QWidget*>(up), static_cast<QWidget*>(down)}) {
      setTabOrder(last, next);
      last = next;
    }
  }
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  for (QWidget* next : {static_cast<QWidget*>(findNext), static_cast<QWidget*>(replace),
                        static_cast<QWidget*>(replaceAll), static_cast<QWidget*>(cancel)}) {
    if (!next) continue;
    setTabOrder(last, next);
    last = next;
  }

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(grid, 1);
  layout->addLayout(buttons);
  UpdateButtons();
}

unsigned FindReplaceDialog::Flags() const {
  unsigned flags = 0;
  if (!down || down->isChecked()) flags |= kDown;
  if (wholeWord->isChecked()) flags |= kWholeWord;
  if (matchCase->isChecked()) flags |= kMatchCase;
  return flags;
}

QString FindReplaceDialog::FindText() const { return findEdit->text(); }

QString FindReplaceDialog::ReplaceText() const { return replaceEdit ? replaceEdit->text() : QString(); }

void FindReplaceDialog::Report(unsigned action) {
  if (FindText().isEmpty()) return;
  emit notified(Flags() | action);
}

void FindReplaceDialog::UpdateButtons() {
  const bool any = !FindText().isEmpty();
  for (QPushButton* button : {findNext, replace, replaceAll})
    if (button) button->setEnabled(any);
}

void FindReplaceDialog::reject() { close(); }

void FindReplaceDialog::closeEvent(QCloseEvent* event) {
  if (!closed) {
    closed = true;
    emit notified(Flags() | kDialogTerm);
  }
  event->accept();
}

void FindReplaceDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  findEdit->setFocus(Qt::OtherFocusReason);
  findEdit->selectAll();
}
