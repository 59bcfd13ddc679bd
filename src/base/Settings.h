#pragma once
// The one settings object of a process: current values and their as-read twins.
// Owned by the application, passed by reference; the core never reaches a global.
#include <array>
#include <cstdint>
#include <string>

// 0x00BBGGRR, red in the low byte.
using Color = std::uint32_t;

struct ColorTable {
  enum Slot { Bk = 0, SelBk = 1, Text = 2, SelText = 3, Margin = 4, Ground = 5, Count = 6 };
  std::array<Color, Count> values{};

  Color& operator[](int i) { return values[static_cast<std::size_t>(i)]; }
  Color operator[](int i) const { return values[static_cast<std::size_t>(i)]; }
  friend bool operator==(const ColorTable&, const ColorTable&) = default;
};

inline constexpr ColorTable kDefaultColors{{{0xFFFF80, 0xFF0000, 0x000000, 0xFFFFFF, 0x00FF00, 0xFFFFFF}}};
inline constexpr int kDefaultTabSize = 8;
inline constexpr int kMinTabSize = 1;
inline constexpr int kMaxTabSize = 64;

// Strings are UTF-8: they are file patterns and file names, never document text.
struct Settings {
  std::string readExtList = "*.txt;*.tex;*.htm;*.html;*.mac";
  std::string storedReadExtList = readExtList;
  std::string defaultExt = "txt";
  std::string storedFileType = defaultExt;

  ColorTable colors = kDefaultColors;
  ColorTable storedColors = kDefaultColors;
  ColorTable defaultColors = kDefaultColors;
  int tabSize = kDefaultTabSize;
  int storedTabSize = kDefaultTabSize;
  bool settingsLoaded = false;

  std::string macroFile = "plind.mac";
  std::string storedMacroFile = macroFile;
  int autoIndent = 0;
  int storedAutoIndent = 0;

  // The typesetting command, one program a line; the settings store fills in the default
  // (the pLaTeX chain) when the profile has none.
  std::string typesetCommand;
  std::string storedTypesetCommand;
  bool openPdfAfterTypeset = false;
  bool storedOpenPdfAfterTypeset = false;
};
