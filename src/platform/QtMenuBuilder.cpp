#include "platform/QtMenuBuilder.h"

#include <QAction>
#include <QMenu>

#include "platform/Cp932Text.h"

namespace {

constexpr qsizetype kMaxLabelLength = 200;

}  // namespace

PopupHandle QtMenuBuilder::CreatePopup() { return reinterpret_cast<PopupHandle>(new QMenu()); }

void QtMenuBuilder::AppendCommand(PopupHandle popup, std::uint32_t id, std::string_view label) {
  QAction* action = MenuOf(popup)->addAction(LabelText(label));
  action->setData(static_cast<int>(id));
}

void QtMenuBuilder::AppendPopup(PopupHandle popup, PopupHandle child, std::string_view label) {
  QMenu* sub = MenuOf(child);
  sub->setTitle(LabelText(label));
  MenuOf(popup)->addMenu(sub);
}

// Deleting a sub-popup also takes its item out of the popup that holds it.
void QtMenuBuilder::DestroyPopup(PopupHandle popup) { delete MenuOf(popup); }

QMenu* QtMenuBuilder::MenuOf(PopupHandle popup) { return reinterpret_cast<QMenu*>(popup); }

QString QtMenuBuilder::LabelText(std::string_view label) {
  QString text = Cp932ToQString(label);
  for (QChar& c : text)
    if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7F) c = QChar(QChar::ReplacementCharacter);
  if (text.size() > kMaxLabelLength) {
    text.truncate(kMaxLabelLength - 1);
    text += QChar(0x2026);
  }
  return text;
}
