#pragma once
// An accelerator table in use: loaded from its resource, searched by key.
#include <optional>
#include <vector>

#include "res/Resources.h"

class QKeyEvent;

class AcceleratorTable {
 public:
  AcceleratorTable() = default;
  explicit AcceleratorTable(int resourceId);

  // The command of the first entry for this key and exactly these modifiers.
  std::optional<int> Translate(int key, unsigned modifiers) const;
  std::optional<int> Translate(const QKeyEvent& event) const;
  void Add(const AccelEntry& entry) { entries.push_back(entry); }
  const std::vector<AccelEntry>& Entries() const { return entries; }

  // The modifier bits of a key event. Keypad keys count as the keys they stand for; the
  // Meta key gives a bit that no entry has, so it matches nothing.
  static unsigned Modifiers(const QKeyEvent& event);

 private:
  std::vector<AccelEntry> entries;
};
