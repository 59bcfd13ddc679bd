#pragma once
// The popup-menu operations the macro reader builds its menus with. The platform makes real
// popups; tests record what was asked.
#include <cstdint>
#include <string_view>

// A popup of the implementation's own kind, seen from the core only as a handle.
struct MenuPopup;
using PopupHandle = MenuPopup*;

class MenuBuilder {
 public:
  virtual ~MenuBuilder() = default;

  // A new, empty popup, or nullptr when the menu system cannot make one.
  virtual PopupHandle CreatePopup() = 0;
  // Labels are code page 932 bytes; "&" marks the access key and "&&" stands for itself.
  virtual void AppendCommand(PopupHandle popup, std::uint32_t id, std::string_view label) = 0;
  // child becomes an item of popup, after the items already there.
  virtual void AppendPopup(PopupHandle popup, PopupHandle child, std::string_view label) = 0;
  // Destroys one popup. The macro menu destroys sub-popups before the popups that hold them.
  virtual void DestroyPopup(PopupHandle popup) = 0;
};
