#include "app/DialogService.h"

#include <QColor>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

DialogService::Answer QtDialogService::MessageBox(QWidget* owner, const QString& caption, const QString& text,
                                                  Buttons buttons, Icon icon) {
  QMessageBox box(owner);
  box.setWindowTitle(caption);
  box.setText(text);
  box.setTextFormat(Qt::PlainText);
  switch (icon) {
    case Icon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case Icon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case Icon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case Icon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case Icon::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
  }
  switch (buttons) {
    case Buttons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Ok);
      break;
    case Buttons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
    case Buttons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setEscapeButton(QMessageBox::No);
      break;
    case Buttons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok:
      return Answer::Ok;
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      break;
  }
  if (buttons == Buttons::Ok) return Answer::Ok;
  if (buttons == Buttons::YesNo) return Answer::No;
  return Answer::Cancel;
}

std::optional<QString> DialogService::GetOpenFileName(QWidget*, const FileDialogRequest&) {
  return std::nullopt;
}
std::optional<QString> DialogService::GetSaveFileName(QWidget*, const FileDialogRequest&) {
  return std::nullopt;
}
std::optional<Color> DialogService::ChooseColor(QWidget*, Color) { return std::nullopt; }

namespace {

std::optional<QString> RunFileDialog(QWidget* owner, const FileDialogRequest& request,
                                     QFileDialog::AcceptMode mode) {
  QFileDialog dialog(owner, request.title);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen && request.mustExist ? QFileDialog::ExistingFile
                                                                          : QFileDialog::AnyFile);
  // Entries show by name only, so the globs behind a name need not read well.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  QStringList filters;
  for (const FileFilter& filter : request.filters) filters << QtNameFilter(filter);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.initialName.isEmpty()) dialog.selectFile(request.initialName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return QFileInfo(files.first()).absoluteFilePath();
}

}  // namespace

std::optional<QString> QtDialogService::GetOpenFileName(QWidget* owner, const FileDialogRequest& request) {
  return RunFileDialog(owner, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogService::GetSaveFileName(QWidget* owner, const FileDialogRequest& request) {
  return RunFileDialog(owner, request, QFileDialog::AcceptSave);
}

std::optional<Color> QtDialogService::ChooseColor(QWidget* owner, Color initial) {
  const QColor chosen = QColorDialog::getColor(ToQColor(initial), owner);
  if (!chosen.isValid()) return std::nullopt;
  return FromQColor(chosen);
}

QColor ToQColor(Color color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

Color FromQColor(const QColor& color) {
  const QColor rgb = color.toRgb();
  return static_cast<Color>(rgb.red()) | static_cast<Color>(rgb.green()) << 8 |
         static_cast<Color>(rgb.blue()) << 16;
}

QString QtNameFilter(const FileFilter& filter) {
  return filter.name + QStringLiteral(" (") + filter.patterns.join(u' ') + u')';
}
