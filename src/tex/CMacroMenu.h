#pragma once
// The macro menu: the popup menus and entries read from a macro file, one for the process.
//
// A macro file is code page 932 text, one item per line (LF or CR LF), leading blanks ignored:
//   + Label        opens a sub-popup; the lines up to the matching "-" fill it
//   -              closes the sub-popup being read; at the top level it ends the file
//   label text     an entry: label before the first space, the rest is the text it inserts,
//                  with every "%n" made CR LF
// Entries are numbered from the base id in file order. Labels and texts stay code page 932
// bytes; the menu builder converts labels for display.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ByteString.h"
#include "base/CommandIds.h"
#include "sys/OsErrorCause.h"
#include "sys/SequentialFileReader.h"
#include "tex/MenuBuilder.h"

// The macro range of the command ids: 33000 up to 5000 entries.
inline constexpr std::uint32_t kMacroBaseId = ID_MACRO_FIRST;
inline constexpr int kMacroEntryLimit = ID_MACRO_LAST - ID_MACRO_FIRST + 1;
// Sub-popups nested deeper, or made after this many, are merged into the popup that holds them.
inline constexpr int kMacroMaxDepth = 32;
inline constexpr int kMacroPopupLimit = 5000;
// Files of this size or more are refused; nobody writes a menu this large by hand.
inline constexpr std::size_t kMacroFileLimit = std::size_t{64} << 20;

struct MacroEntry {
  std::uint32_t id = 0;
  ByteString label;
  ByteString text;
};

// How the last load ended.
struct MacroLoadResult {
  // The file was opened and its root popup made: the macro popup is the one to show.
  bool loaded = false;
  // Ok, or why the file could not be opened, or (with loaded) why it could not be read to its
  // end: the entries of the lines read before the failure are kept.
  FileResult error;
};

class CMacroMenu {
 public:
  explicit CMacroMenu(MenuBuilder& menuBuilder);
  CMacroMenu(const CMacroMenu&) = delete;
  CMacroMenu& operator=(const CMacroMenu&) = delete;
  ~CMacroMenu();

  // Replaces the whole menu with the one read from path, passed to the file system as it is
  // (a relative name is taken from the current directory). True when the file was opened and
  // the root popup made, also when it holds no entries; on false the menu is empty.
  bool LoadMacroFile(const std::string& path, std::uint32_t baseId, int maxEntries);
  // LoadMacroFile(macroFile, kMacroBaseId, kMacroEntryLimit).
  const MacroLoadResult& ReloadMacroMenu(const std::string& macroFile);
  void ClearMacroMenu();

  // A copy of the text of the entry with that id; empty for an id that is not an entry's.
  ByteString GetMacroText(std::uint32_t id) const;
  // Whether id is an entry's: base id <= id < base id + entry count.
  bool IsMacroId(std::uint32_t id) const;

  // The popup to show, or nullptr when no file is loaded.
  PopupHandle RootPopup() const { return rootPopup; }
  const std::vector<MacroEntry>& Entries() const { return entries; }
  int EntryCount() const { return entryCount; }
  std::uint32_t BaseId() const { return baseId; }
  const MacroLoadResult& LastLoad() const { return lastLoad; }

 private:
  FileResult ReadMenus(SequentialFileReader& file, int maxEntries);
  void AddEntry(PopupHandle popup, std::string_view line);

  MenuBuilder& builder;
  PopupHandle rootPopup = nullptr;
  std::uint32_t baseId = kMacroBaseId;
  std::uint32_t nextId = kMacroBaseId;
  int entryCount = 0;
  // Every popup of the last load in order of creation, the root first.
  std::vector<PopupHandle> popups;
  std::vector<MacroEntry> entries;
  MacroLoadResult lastLoad;
};
