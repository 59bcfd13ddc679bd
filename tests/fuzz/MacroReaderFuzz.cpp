// The macro reader on arbitrary bytes, checked against a plain recursive reading of the same
// bytes that follows the file format step by step. The input's last byte steers the run: how
// much each read call hands out, the entry limit, a read that fails part way and a popup the
// menu system cannot make.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "MacroFakes.h"
#include "tex/CMacroMenu.h"

namespace {

// The plain reading: all bytes in memory, one recursion per popup level.
class ReferenceReader {
 public:
  ReferenceReader(std::string_view bytes, int maxEntries, int failCreateAt)
      : maxEntries_(maxEntries), failCreateAt_(failCreateAt) {
    std::size_t start = 0;
    for (std::size_t lf; (lf = bytes.find('\n', start)) != std::string_view::npos; start = lf + 1) {
      std::string_view line = bytes.substr(start, lf - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines_.push_back(line);
    }
    if (start < bytes.size()) lines_.push_back(bytes.substr(start));
    const int root = Create();
    loaded_ = root >= 0;
    if (loaded_) ReadLevel(root, 0);
    if (loaded_) RenderPopup(root, 0);
  }
  bool Loaded() const { return loaded_; }
  const std::string& Tree() const { return tree_; }
  int EntryCount() const { return entries_; }

 private:
  struct Item {
    int child;  // -1 for a command
    std::uint32_t id;
    std::string label;
    std::string text;
  };

  int Create() {
    if (requests_++ == failCreateAt_) return -1;
    popups_.emplace_back();
    return static_cast<int>(popups_.size()) - 1;
  }

  void ReadLevel(int popup, int depth) {
    while (next_ < lines_.size()) {
      if (entries_ >= maxEntries_) {
        stopped_ = true;
        return;
      }
      std::string_view line = lines_[next_++];
      while (!line.empty() && ((line[0] >= 9 && line[0] <= 13) || line[0] == ' ')) line.remove_prefix(1);
      if (line.empty()) continue;
      if (line[0] == '-') return;
      if (line[0] == '+') {
        while (!line.empty() && (line[0] == '+' || line[0] == ' ')) line.remove_prefix(1);
        if (depth >= kMacroMaxDepth || static_cast<int>(popups_.size()) > kMacroPopupLimit) {
          ReadLevel(popup, depth);  // merged: the same popup goes on
        } else {
          const int child = Create();
          ReadLevel(child, depth + 1);
          if (child >= 0 && popup >= 0) Items(popup).push_back(Item{child, 0, std::string(line), {}});
        }
        if (stopped_) return;
        continue;
      }
      const std::size_t space = line.find(' ');
      const std::string label(space == std::string_view::npos ? std::string_view{} : line.substr(0, space));
      const std::string_view raw = space == std::string_view::npos ? line : line.substr(space + 1);
      std::string text;
      for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 1 < raw.size() && raw[i + 1] == 'n') {
          text += "\r\n";
          ++i;
        } else {
          text += raw[i];
        }
      }
      const auto id = kMacroBaseId + static_cast<std::uint32_t>(entries_++);
      if (popup >= 0) Items(popup).push_back(Item{-1, id, label, text});
    }
  }

  std::vector<Item>& Items(int popup) { return popups_[static_cast<std::size_t>(popup)]; }

  void RenderPopup(int popup, int depth) {
    for (const Item& item : Items(popup)) {
      tree_.append(static_cast<std::size_t>(depth) * 2, ' ');
      if (item.child >= 0) {
        tree_ += "+ \"" + RecordingMenuBuilder::Escape(item.label) + "\"\n";
        RenderPopup(item.child, depth + 1);
      } else {
        tree_ += std::to_string(item.id) + " \"" + RecordingMenuBuilder::Escape(item.label) + "\" => \"" +
                 RecordingMenuBuilder::Escape(item.text) + "\"\n";
      }
    }
  }

  int maxEntries_;
  int failCreateAt_;
  int requests_ = 0;
  int entries_ = 0;
  bool loaded_ = false;
  bool stopped_ = false;
  std::vector<std::string_view> lines_;
  std::size_t next_ = 0;
  std::vector<std::vector<Item>> popups_;
  std::string tree_;
};

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "macro fuzz: %s\n%s\n", what, detail.c_str());
  std::abort();
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

  static const int fd = memfd_create("macro", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (fd < 0 || ftruncate(fd, 0) != 0 ||
      pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    Fail("cannot write the input file");

  // What a failing read leaves: the complete lines before it.
  std::string_view expectedBytes = bytes;
  if (failAt) {
    expectedBytes = bytes.substr(0, failAt);
    const std::size_t lastLf = expectedBytes.rfind('\n');
    expectedBytes =
        lastLf == std::string_view::npos ? std::string_view{} : expectedBytes.substr(0, lastLf + 1);
  }
  const ReferenceReader reference(expectedBytes, maxEntries, failCreateAt);

  RecordingMenuBuilder builder;
  builder.failCreateAt = failCreateAt;
  {
    CMacroMenu menu(builder);
    bool loaded = false;
    {
      SteeredReads reads(piece, failAt);
      loaded = menu.LoadMacroFile(path, kMacroBaseId, maxEntries);
    }

    if (loaded != reference.Loaded()) Fail("loaded differs");
    const std::string tree = builder.Render(menu.RootPopup(), menu);
    if (tree != reference.Tree())
      Fail("menus differ", "reader:\n" + tree + "reference:\n" + reference.Tree());
    if (menu.EntryCount() != reference.EntryCount() ||
        menu.Entries().size() != static_cast<std::size_t>(menu.EntryCount()))
      Fail("entry count");
    if (loaded && !failAt && !menu.LastLoad().error.Ok())
      Fail("an error without a failing read", menu.LastLoad().error.detail);
  }
  if (builder.LivePopups() != 0) Fail("popups left behind");
  for (std::size_t i = 0; i < builder.destroyOrder.size(); ++i)
    if (builder.destroyOrder[i] != static_cast<int>(builder.destroyOrder.size() - 1 - i))
      Fail("destroy order");
  if (!builder.faults.empty()) Fail("builder misused", builder.faults.front());
  return 0;
}
