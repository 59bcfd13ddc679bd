#pragma once
// Fakes for the macro reader, shared by the core tests and the fuzz target (so they report
// faults as text rather than through a test framework): a menu builder that records, checks
// and draws the popups, and a read call that hands out bytes in pieces or fails part way.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
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
    bool destroyed = false;
    bool appended = false;
  };

  PopupHandle CreatePopup() override {
    if (failCreateAt == static_cast<int>(popups.size()) + failedCreates) {
      ++failedCreates;
      return nullptr;
    }
    popups.emplace_back();
    return HandleOf(static_cast<int>(popups.size()) - 1);
  }

  void AppendCommand(PopupHandle popup, std::uint32_t id, std::string_view label) override {
    if (Popup* p = Live(popup, "append a command to")) p->items.push_back(Item{id, -1, std::string(label)});
  }

  void AppendPopup(PopupHandle popup, PopupHandle child, std::string_view label) override {
    Popup* p = Live(popup, "append to");
    Popup* c = Live(child, "append");
    if (!p || !c) return;
    if (c->appended || popup == child) return Fault("a popup appended twice or to itself");
    c->appended = true;
    p->items.push_back(Item{0, IndexOf(child), std::string(label)});
  }

  void DestroyPopup(PopupHandle popup) override {
    if (Popup* p = Live(popup, "destroy")) {
      p->destroyed = true;
      destroyOrder.push_back(IndexOf(popup));
    }
  }

  long LivePopups() const {
    return std::count_if(popups.begin(), popups.end(), [](const Popup& p) { return !p.destroyed; });
  }

  // The tree under root, one item a line: + "label" for a sub-popup, its items indented below,
  // and id "label" => "text" for a command, its text taken from the menu's entries. Bytes below
  // 0x20 and 0x7F are written <hh>.
  std::string Render(PopupHandle root, const CMacroMenu& menu) const {
    std::string out;
    if (root) RenderPopup(IndexOf(root), menu, 0, out);
    return out;
  }

  static std::string Escape(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      out += b < 0x20 || b == 0x7F
                 ? std::string{'<', "0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15], '>'}
                 : std::string(1, c);
    }
    return out;
  }

  std::vector<Popup> popups;  // in order of creation
  std::vector<int> destroyOrder;
  std::vector<std::string> faults;
  int failCreateAt = -1;  // the creation request (counting from 0) that gets no popup
  int failedCreates = 0;

 private:
  static PopupHandle HandleOf(int index) {
    return reinterpret_cast<PopupHandle>(static_cast<std::uintptr_t>(index) + 1);
  }
  int IndexOf(PopupHandle popup) const {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(popup)) - 1;
  }
  Popup* Live(PopupHandle popup, const char* what) {
    const int index = IndexOf(popup);
    if (index < 0 || index >= static_cast<int>(popups.size()) ||
        popups[static_cast<std::size_t>(index)].destroyed) {
      Fault(std::string("asked to ") + what + " a popup that is not there");
      return nullptr;
    }
    return &popups[static_cast<std::size_t>(index)];
  }
  void Fault(std::string what) { faults.push_back(std::move(what)); }

  // Recursive, which is fine for the trees tests make: the reader caps their depth.
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
class SteeredReads {
 public:
  SteeredReads(std::size_t piece, std::size_t failAt) : saved_(ActiveFileCalls()) {
    piece_ = piece;
    failAt_ = failAt;
    read_ = 0;
    ActiveFileCalls().read = Read;
  }
  SteeredReads(const SteeredReads&) = delete;
  SteeredReads& operator=(const SteeredReads&) = delete;
  ~SteeredReads() { ActiveFileCalls() = saved_; }

 private:
  static long Read(int fd, void* data, std::size_t size) {
    if (failAt_ && read_ >= failAt_) {
      errno = EIO;
      return -1;
    }
    std::size_t want = piece_ ? std::min(size, piece_) : size;
    if (failAt_) want = std::min(want, failAt_ - read_);
    const long got = SystemFileCalls().read(fd, data, want);
    if (got > 0) read_ += static_cast<std::size_t>(got);
    return got;
  }

  FileCalls saved_;
  static inline std::size_t piece_ = 0;
  static inline std::size_t failAt_ = 0;
  static inline std::size_t read_ = 0;
};
