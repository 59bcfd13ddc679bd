#pragma once
// One file's text as a list of code page 932 lines, and the primitives that change it.
#include <string>
#include <string_view>
#include <vector>

#include "base/ByteString.h"
#include "base/Settings.h"
#include "doc/LineList.h"
#include "doc/TextPos.h"

class ByteBlock;

// The lines one text change replaced: old lines [first, first + oldCount) became
// [first, first + newCount); bytes before firstByte of line first did not change (a lone
// lead byte just before it may have paired with a new neighbour). firstNode is line first's
// node, alive after the change.
struct LineChange {
  int first = 0;
  int oldCount = 1;
  int newCount = 1;
  int firstByte = 0;
  LineNode* firstNode = nullptr;
};

// Anything that shows a document and must hear of changes made through another view.
class DocView {
 public:
  virtual ~DocView() = default;
  // The text changed as change describes; null when any line may have changed (a new text).
  virtual void OnDocumentChanged(const LineChange* change) = 0;
};

class CVeloDoc {
 public:
  // Fixes up an empty standard extension in settings, as every new document does.
  explicit CVeloDoc(Settings& settings);
  CVeloDoc(const CVeloDoc&) = delete;
  CVeloDoc& operator=(const CVeloDoc&) = delete;

  // Primitives: each marks the document modified whenever it runs, even when it changes no
  // byte (JoinNextLine only when there is a next line to join); none moves pos.
  void InsertText(const TextPos& pos, std::string_view text);
  void DeleteBytes(const TextPos& pos, int count);
  void SplitLine(const TextPos& pos);
  bool JoinNextLine(const TextPos& pos);
  // A whole line at once, for changes that rebuild a line rather than edit it in place.
  void ReplaceLine(LineNode* node, ByteString text);
  LineNode* InsertLineAfter(LineNode* node, ByteString text);
  static bool NextLine(TextPos& pos);
  static bool PrevLine(TextPos& pos);

  int LineCount() const { return lines.Count(); }
  LineNode* FirstLine() const { return lines.First(); }
  LineNode* LastLine() const { return lines.Last(); }

  bool IsModified() const { return modified; }
  void SetModifiedFlag(bool value = true) { modified = value; }

  // Replaces the text with the lines of a file image (LF or CR LF breaks; a final break
  // adds no line). The lines share buffer. Clears the modified flag.
  void LoadLines(ByteBlock* buffer, std::size_t size);
  // The text as a file image: every line followed by CR LF.
  std::string ToFileImage() const;

  void AddView(DocView* view);
  void RemoveView(DocView* view);
  const std::vector<DocView*>& Views() const { return views; }
  // Tells every view but sender of a change.
  void UpdateAllViews(DocView* sender, const LineChange* change);

  LineList lines;

 private:
  bool modified = false;
  std::vector<DocView*> views;
};
