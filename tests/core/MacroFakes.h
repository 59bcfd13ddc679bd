#pragma once
// Shared with the fuzz target, so faults are kept as text: a menu builder that records, checks
// and draws the popups, and a read call that hands out bytes in pieces or fails part way.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sys/FileCalls.h"
#include "tex/CMacroMenu.h"
#include "tex/MenuBuilder.h"

class RecordingMenuBuilder : public MenuBuilder {
 public:
  struct Item {
    std::uint32_t id = 0;  // of a command
    int child = -1;        // of a sub-popup: the index of its popup
    std::string label;
  };
  struct Popup {
    std::vector<Item> items;
    bool destroyed = false, appended = false;
  };

  PopupHandle CreatePopup() override {
    if (creates++ == failCreateAt) return nullptr;
    popups.emplace_back();
    return reinterpret_cast<PopupHandle>(popups.size());
  }

  void AppendCommand(PopupHandle popup, std::uint32_t id, std::string_view label) override {
    if (Popup* p = Live(popup)) p->items.push_back(Item{id, -1, std::string(label)});
  }

  void AppendPopup(PopupHandle popup, PopupHandle child, std::string_view label) override {
    Popup* p = Live(popup);
    Popup* c = Live(child);
    if (!p || !c || c->appended || p == c)
      return faults.push_back("a popup appended twice, to itself or gone");
    c->appended = true;
    p->items.push_back(Item{0, IndexOf(child), std::string(label)});
  }

  // Newest first, so that no popup goes while one made after it (maybe its sub-popup) lives.
  void DestroyPopup(PopupHandle popup) override {
    Popup* p = Live(popup);
    if (p) p->destroyed = true;
    if (!p || LivePopups() > IndexOf(popup))
      faults.push_back("a popup destroyed twice or before a newer one");
  }

  int LivePopups() const {
    return static_cast<int>(
        std::count_if(popups.begin(), popups.end(), [](const Popup& p) { return !p.destroyed; }));
  }

  // The tree under root, one item a line: + "label" for a sub-popup, its items indented below,
  // and id "label" => "text" for a command, its text taken from the menu's entries. Bytes below
  // 0x20 are written <hh>.
  std::string Render(PopupHandle root, const CMacroMenu& menu) const {
    std::string out;
    if (root) RenderPopup(IndexOf(root), menu, 0, out);
    return out;
  }

  std::vector<Popup> popups;  // in order of creation
  std::vector<std::string> faults;
  int failCreateAt = -1;  // the creation request (counting from 0) that gets no popup
  int creates = 0;

 private:
  static int IndexOf(PopupHandle popup) {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(popup)) - 1;
  }
  Popup* Live(PopupHandle popup) {
    const auto index = static_cast<std::size_t>(IndexOf(popup));
    return index < popups.size() && !popups[index].destroyed ? &popups[index] : nullptr;
  }

  static std::string Escape(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      out += b < 0x20 ? std::string{'<', "01"[b >> 4], "0123456789ABCDEF"[b & 15], '>'} : std::string(1, c);
    }
    return out;
  }

  void RenderPopup(int index, const CMacroMenu& menu, int depth, std::string& out) const {
    for (const Item& item : popups[static_cast<std::size_t>(index)].items) {
      out.append(static_cast<std::size_t>(depth) * 2, ' ');
      if (item.child >= 0) {
        out += "+ \"" + Escape(item.label) + "\"\n";
        RenderPopup(item.child, menu, depth + 1, out);
      } else {
        out += std::to_string(item.id) + " \"" + Escape(item.label) + "\" => \"" +
               Escape(menu.GetMacroText(item.id).View()) + "\"\n";
      }
    }
  }
};

// While it lives, each read call hands out at most piece bytes (0: as many as asked), and
// the first read at or past failAt bytes (0: none) fails with EIO.
struct SteeredReads {
  SteeredReads(std::size_t piece, std::size_t failAt) {
    static std::size_t pieceSize, failFrom, done;
    pieceSize = piece;
    failFrom = failAt;
    done = 0;
    ActiveFileCalls().read = [](int fd, void* data, std::size_t size) -> long {
      if (failFrom && done >= failFrom) {
        errno = EIO;
        return -1;
      }
      const std::size_t want =
          std::min(pieceSize ? std::min(size, pieceSize) : size, failFrom ? failFrom - done : size);
      const long got = SystemFileCalls().read(fd, data, want);
      if (got > 0) done += static_cast<std::size_t>(got);
      return got;
    };
  }
  ~SteeredReads() { ActiveFileCalls() = saved; }
  FileCalls saved = ActiveFileCalls();
};
