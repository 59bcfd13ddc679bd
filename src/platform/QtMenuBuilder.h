#pragma once
// The macro popups as QMenus. A command item is a QAction whose data is its command id; labels
// are converted from code page 932, with "&" marking the access key as in every menu.
#include <QString>
#include <cstdint>
#include <string_view>

#include "tex/MenuBuilder.h"

class QMenu;

class QtMenuBuilder final : public MenuBuilder {
 public:
  PopupHandle CreatePopup() override;
  void AppendCommand(PopupHandle popup, std::uint32_t id, std::string_view label) override;
  void AppendPopup(PopupHandle popup, PopupHandle child, std::string_view label) override;
  void DestroyPopup(PopupHandle popup) override;

  static QMenu* MenuOf(PopupHandle popup);
  // A label as the menu shows it: control characters other than TAB (which sets off a
  // right-hand column) become U+FFFD, and a label too long for any screen is cut short.
  static QString LabelText(std::string_view label);
};
