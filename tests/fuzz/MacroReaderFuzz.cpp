// The macro reader on arbitrary bytes. The input's last byte steers the run: how much each read
// call hands out, the entry limit, a read that fails part way and a popup the menu system
// cannot make. Whatever the bytes, the menu is sound and bounded, every item is an entry, and
// it is what the whole file read at once gives, or, after a failed read, its complete lines.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "MacroFakes.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "macro fuzz: %s\n%s\n", what, detail.c_str());
  std::abort();
}

// A file of these bytes, the same path each time.
const std::string& FileOf(std::string_view bytes) {
  static const int fd = memfd_create("macro", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (fd < 0 || ftruncate(fd, 0) != 0 ||
      pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    Fail("cannot write the input file");
  return path;
}

// Loads the bytes, checks what every load must give and returns the menu drawn.
std::string Check(std::string_view bytes, int maxEntries, int failCreateAt, std::size_t piece,
                  std::size_t failAt) {
  RecordingMenuBuilder builder;
  builder.failCreateAt = failCreateAt;
  std::string tree;
  {
    CMacroMenu menu(builder);
    {
      SteeredReads reads(piece, failAt);
      if (menu.LoadMacroFile(FileOf(bytes), kMacroBaseId, maxEntries) != (failCreateAt != 0))
        Fail("loaded although no root popup, or not loaded");
    }
    if (failCreateAt != 0 && !failAt && !menu.LastLoad().error.Ok()) Fail("an error without a failing read");
    tree = builder.Render(menu.RootPopup(), menu);
    const auto& entries = menu.Entries();
    if (menu.EntryCount() > maxEntries || entries.size() != static_cast<std::size_t>(menu.EntryCount()))
      Fail("entry count");
    for (const MacroEntry& entry : entries) {
      if (entry.text.View().find("%n") != std::string_view::npos ||
          entry.label.View().find_first_of(" \n") != std::string_view::npos)
        Fail("an entry not read as its line says",
             entry.label.ToStdString() + " " + entry.text.ToStdString());
    }
    // Every command item an entry of its own, with its label; popups nested no deeper than the
    // bound.
    std::set<std::uint32_t> seen;
    std::vector<std::pair<int, int>> pending = {{0, 0}};
    while (!pending.empty() && !builder.popups.empty()) {
      const auto [index, depth] = pending.back();
      pending.pop_back();
      if (depth > kMacroMaxDepth) Fail("nested past the bound");
      for (const auto& item : builder.popups[static_cast<std::size_t>(index)].items) {
        if (item.child >= 0) {
          pending.emplace_back(item.child, depth + 1);
        } else if (!menu.IsMacroId(item.id) || !seen.insert(item.id).second ||
                   entries[item.id - kMacroBaseId].label.View() != item.label) {
          Fail("a command item that is no entry of its own");
        }
      }
    }
    if (builder.popups.size() > kMacroPopupLimit + 1u) Fail("too many popups");
    if (failCreateAt < 0 && seen.size() != entries.size()) Fail("an entry without its item");
  }
  if (builder.LivePopups() != 0) Fail("popups left behind");
  if (!builder.faults.empty()) Fail("builder misused", builder.faults.front());
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t steer = data[size - 1];
  const std::string_view bytes(reinterpret_cast<const char*>(data), size - 1);
  static const int maxEntriesFor[] = {kMacroEntryLimit, 0, 1, 3};
  const int maxEntries = maxEntriesFor[(steer >> 4) & 3];
  const int failCreateAt = (steer & 0x80) ? static_cast<int>(bytes.size() % 4) : -1;
  const std::size_t piece = (steer & 0x0F) ? (steer & 0x0F) * 3u - 2u : 0;
  const std::size_t failAt =
      ((steer & 0x40) && !bytes.empty()) ? 1 + (std::size_t{data[0]} * bytes.size()) / 256 : 0;
  // After a failed read, the complete lines before it (npos + 1 is 0).
  const std::string_view whole = failAt ? bytes.substr(0, bytes.substr(0, failAt).rfind('\n') + 1) : bytes;
  const std::string steered = Check(bytes, maxEntries, failCreateAt, piece, failAt);
  const std::string plain = Check(whole, maxEntries, failCreateAt, 0, 0);
  if (steered != plain) Fail("menus differ", "in pieces:\n" + steered + "at once:\n" + plain);
  return 0;
}
