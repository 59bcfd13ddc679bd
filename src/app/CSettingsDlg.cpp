#include "app/CSettingsDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>

#include "app/CReadExtDlg.h"
#include "app/DialogService.h"
#include "app/DialogTexts.h"
#include "app/IntegerField.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

struct ColorRow {
  int textId;
  ColorTable::Slot slot;
};

// The colour list, in the order it shows.
constexpr ColorRow kColorRows[] = {
    {IDS_COLOR_TEXT, ColorTable::Text},        {IDS_COLOR_BK, ColorTable::Bk},
    {IDS_COLOR_SEL_TEXT, ColorTable::SelText}, {IDS_COLOR_SEL_BK, ColorTable::SelBk},
    {IDS_COLOR_GROUND, ColorTable::Ground},    {IDS_COLOR_MARGIN, ColorTable::Margin},
};

QString Text(int control) { return DialogText(IDD_SETTINGS, control); }

QPushButton* MakeButton(int id, QWidget* parent) { return MakeDialogButton(IDD_SETTINGS, id, parent); }

}  // namespace

CSettingsDlg::CSettingsDlg(DialogService& dialogService, QWidget* parent)
    : QDialog(parent), dialogs(dialogService) {
  setWindowTitle(DialogTitle(IDD_SETTINGS));

  auto* tabLabel = new QLabel(Text(IDC_LABEL_TAB_SIZE), this);
  tabSizeEdit = new QLineEdit(this);
  SetControlId(tabSizeEdit, IDC_TAB_SIZE);
  tabLabel->setBuddy(tabSizeEdit);
  auto* extLabel = new QLabel(Text(IDC_LABEL_STANDARD_EXT), this);
  extEdit = new QLineEdit(this);
  SetControlId(extEdit, IDC_STANDARD_EXT);
  extLabel->setBuddy(extEdit);
  autoIndentCheck = new QCheckBox(Text(IDC_AUTO_INDENT), this);
  SetControlId(autoIndentCheck, IDC_AUTO_INDENT);
  QPushButton* readExtButton = MakeButton(IDC_READ_EXT_LIST, this);

  auto* colorGroup = new QGroupBox(Text(IDC_GROUP_COLORS), this);
  QPushButton* chooseColorButton = MakeButton(IDC_CHOOSE_COLOR, colorGroup);
  auto* colorHint = new QLabel(Text(IDC_LABEL_COLOR_HINT), colorGroup);
  colorList = new QListWidget(colorGroup);
  SetControlId(colorList, IDC_COLOR_LIST);
  colorList->setSelectionMode(QAbstractItemView::SingleSelection);

  QPushButton* ok = MakeButton(IDC_OK, this);
  ok->setDefault(true);
  QPushButton* cancel = MakeButton(IDC_CANCEL, this);

  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(chooseColorButton, &QPushButton::clicked, this, &CSettingsDlg::OnChooseColor);
  connect(readExtButton, &QPushButton::clicked, this, &CSettingsDlg::OnReadExtList);

  auto* fields = new QGridLayout;
  fields->addWidget(tabLabel, 0, 0);
  fields->addWidget(tabSizeEdit, 0, 1);
  fields->addWidget(extLabel, 1, 0);
  fields->addWidget(extEdit, 1, 1);
  auto* closing = new QVBoxLayout;
  closing->addWidget(ok);
  closing->addWidget(cancel);
  closing->addStretch();
  auto* top = new QHBoxLayout;
  top->addLayout(fields);
  top->addStretch();
  top->addLayout(closing);

  auto* colorTop = new QHBoxLayout;
  colorTop->addWidget(chooseColorButton);
  colorTop->addWidget(colorHint, 1);
  auto* colorLayout = new QVBoxLayout(colorGroup);
  colorLayout->addLayout(colorTop);
  colorLayout->addWidget(colorList, 1);

  auto* readExtRow = new QHBoxLayout;
  readExtRow->addWidget(readExtButton);
  readExtRow->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(autoIndentCheck);
  layout->addSpacing(fontMetrics().height());
  layout->addLayout(readExtRow);
  layout->addSpacing(fontMetrics().height());
  layout->addWidget(colorGroup, 1);
}

int CSettingsDlg::Run() {
  tabSizeEdit->setText(QString::number(tabSizeField));
  extEdit->setText(extField);
  // Any value other than 0 means on, so the box shows it ticked.
  autoIndentCheck->setChecked(autoIndentField != 0);

  colorList->clear();
  colorTargets.clear();
  colorTargets.reserve(std::size(kColorRows));
  for (const ColorRow& row : kColorRows) {
    colorList->addItem(ResText(row.textId));
    colorTargets.push_back(row.slot);
  }
  colorList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
  tabSizeEdit->setFocus();
  tabSizeEdit->selectAll();
  return exec();
}

void CSettingsDlg::accept() {
  const std::optional<int> tabSize = ParseIntegerFieldClamped(tabSizeEdit->text());
  // Layout needs at least one column per tab; a huge tab width helps nobody.
  if (!tabSize || *tabSize < kMinTabSize || *tabSize > kMaxTabSize) {
    const QString message = tabSize ? ResText(IDS_PARSE_INT_RANGE)
                                          .replace(QStringLiteral("%1"), QString::number(kMinTabSize))
                                          .replace(QStringLiteral("%2"), QString::number(kMaxTabSize))
                                    : ResText(IDS_PARSE_INT);
    dialogs.MessageBox(this, ResText(IDS_APP_TITLE), message, DialogService::Buttons::Ok,
                       DialogService::Icon::Warning);
    tabSizeEdit->setFocus();
    tabSizeEdit->selectAll();
    return;
  }
  tabSizeField = *tabSize;
  extField = extEdit->text();
  // An untouched box keeps whatever non-zero value switched auto-indent on.
  if (autoIndentCheck->isChecked() != (autoIndentField != 0))
    autoIndentField = autoIndentCheck->isChecked() ? 1 : 0;
  QDialog::accept();
}

void CSettingsDlg::OnChooseColor() {
  const QList<QListWidgetItem*> selected = colorList->selectedItems();
  if (selected.isEmpty()) return;
  const int row = colorList->row(selected.first());
  if (row < 0 || static_cast<std::size_t>(row) >= colorTargets.size()) return;
  // The chooser starts at black, not at the slot's colour.
  if (const std::optional<Color> chosen = dialogs.ChooseColor(this, 0x000000)) {
    workColors[colorTargets[static_cast<std::size_t>(row)]] = *chosen;
  }
}

void CSettingsDlg::OnReadExtList() {
  CReadExtDlg dialog(this);
  dialog.extList = workReadExtList;
  if (dialog.Run() == QDialog::Accepted) workReadExtList = dialog.extList;
}

bool RunSettingsCommand(Settings& settings, CVeloView& view, DialogService& dialogs, QWidget* parent) {
  CSettingsDlg dialog(dialogs, parent);
  dialog.tabSizeField = settings.tabSize;
  dialog.extField = QString::fromStdString(settings.defaultExt);
  const std::string extBefore = settings.defaultExt;
  dialog.workColors = settings.colors;
  dialog.autoIndentField = settings.autoIndent;
  dialog.workReadExtList = QString::fromStdString(settings.readExtList);
  if (dialog.Run() != QDialog::Accepted) return false;

  if (dialog.tabSizeField != settings.tabSize) {
    view.GetHost().BeginWaitCursor();
    view.ApplyTabSize(dialog.tabSizeField);
    view.GetHost().EndWaitCursor();
  }
  const std::string ext = dialog.extField.toStdString();
  if (ext != extBefore) settings.defaultExt = ext;
  if (dialog.workColors != settings.colors) view.ApplyColors(dialog.workColors);
  const std::string readExtList = dialog.workReadExtList.toStdString();
  if (readExtList != settings.readExtList) settings.readExtList = readExtList;
  settings.autoIndent = dialog.autoIndentField;
  return true;
}
