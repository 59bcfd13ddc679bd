#include "doc/CVeloDoc.h"

#include <algorithm>
#include <cstring>
#include <utility>

CVeloDoc::CVeloDoc(Settings& settings) {
  if (settings.storedFileType.empty()) settings.storedFileType = "txt";
  if (settings.defaultExt.empty()) settings.defaultExt = "txt";
  lines.Append(ByteString());
}

void CVeloDoc::InsertText(const TextPos& pos, std::string_view text) {
  pos.node->text.Insert(pos.byteIndex, text);
  modified = true;
}

void CVeloDoc::DeleteBytes(const TextPos& pos, int count) {
  pos.node->text.Erase(std::max(pos.byteIndex, 0), count);
  modified = true;
}

void CVeloDoc::SplitLine(const TextPos& pos) {
  ByteString& text = pos.node->text;
  const int at = std::clamp(pos.byteIndex, 0, text.Length());
  ByteString tail = text.Mid(at);
  text.Truncate(at);
  lines.InsertAfter(pos.node, std::move(tail));
  modified = true;
}

bool CVeloDoc::JoinNextLine(const TextPos& pos) {
  LineNode* next = pos.node->next;
  if (!next) return false;
  if (!next->text.IsEmpty()) pos.node->text.Append(next->text.View());
  lines.Remove(next);
  modified = true;
  return true;
}

void CVeloDoc::ReplaceLine(LineNode* node, ByteString text) {
  node->text = std::move(text);
  modified = true;
}

LineNode* CVeloDoc::InsertLineAfter(LineNode* node, ByteString text) {
  LineNode* added = lines.InsertAfter(node, std::move(text));
  modified = true;
  return added;
}

bool CVeloDoc::NextLine(TextPos& pos) {
  if (pos.node->next) {
    pos.node = pos.node->next;
    ++pos.line;
    return true;
  }
  return false;  // already the last node
}

bool CVeloDoc::PrevLine(TextPos& pos) {
  if (pos.node->prev) {
    pos.node = pos.node->prev;
    --pos.line;
    return true;
  }
  return false;
}

void CVeloDoc::LoadLines(ByteBlock* buffer, std::size_t size) {
  // Built aside, so that running out of memory half-way leaves the old text.
  LineList loaded;
  const char* data = buffer->Data();
  const char* end = data + size;
  const char* p = data;
  while (p < end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* lineEnd = lf ? lf : end;
    const char* textEnd = (lf && lineEnd > p && lineEnd[-1] == '\r') ? lineEnd - 1 : lineEnd;
    loaded.Append(
        ByteString(buffer, static_cast<std::size_t>(p - data), static_cast<std::size_t>(textEnd - p)));
    p = lf ? lf + 1 : end;
  }
  if (loaded.Count() == 0) loaded.Append(ByteString());
  lines.Swap(loaded);
  modified = false;
}

std::string CVeloDoc::ToFileImage() const {
  std::size_t total = 0;
  for (LineNode* n = lines.First(); n; n = n->next) total += static_cast<std::size_t>(n->text.Length()) + 2;
  std::string image;
  image.reserve(total);
  for (LineNode* n = lines.First(); n; n = n->next) {
    image.append(n->text.View());
    image.append("\r\n");
  }
  return image;
}

void CVeloDoc::AddView(DocView* view) {
  if (std::find(views.begin(), views.end(), view) == views.end()) views.push_back(view);
}

void CVeloDoc::RemoveView(DocView* view) { std::erase(views, view); }

void CVeloDoc::UpdateAllViews(DocView* sender, const LineChange* change) {
  // A view may close itself in response; walk a copy.
  const std::vector<DocView*> current = views;
  for (DocView* v : current)
    if (v != sender) v->OnDocumentChanged(change);
}
