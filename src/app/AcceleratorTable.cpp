#include "app/AcceleratorTable.h"

#include <QKeyEvent>

namespace {
constexpr unsigned kAccelMeta = 8;
}

AcceleratorTable::AcceleratorTable(int resourceId) {
  const std::span<const AccelEntry> data = AcceleratorResource(resourceId);
  entries.assign(data.begin(), data.end());
}

std::optional<int> AcceleratorTable::Translate(int key, unsigned modifiers) const {
  for (const AccelEntry& entry : entries) {
    if (entry.key == key && entry.modifiers == modifiers) return entry.command;
  }
  return std::nullopt;
}

std::optional<int> AcceleratorTable::Translate(const QKeyEvent& event) const {
  int key = event.key();
  // Shift+Tab arrives as its own key; the table speaks of the Tab key.
  if (key == Qt::Key_Backtab) key = Qt::Key_Tab;
  return Translate(key, Modifiers(event));
}

unsigned AcceleratorTable::Modifiers(const QKeyEvent& event) {
  const Qt::KeyboardModifiers mods = event.modifiers();
  unsigned bits = 0;
  if (mods & Qt::ShiftModifier) bits |= kAccelShift;
  if (mods & Qt::ControlModifier) bits |= kAccelCtrl;
  if (mods & Qt::AltModifier) bits |= kAccelAlt;
  if (mods & Qt::MetaModifier) bits |= kAccelMeta;
  // Shift+Tab comes without its Shift on some platforms.
  if (event.key() == Qt::Key_Backtab) bits |= kAccelShift;
  return bits;
}
