// Auto-indent: a line made with Enter starts with the tabs its line started with, so that
// environments nested with tabs keep their depth. Only tabs count; spaces, full-width ones
// included, are the writer's own business.
#include <cstddef>
#include <string>

#include "tex/CMirevView.h"

void CMirevView::OnChar(int code) {
  if (GetSettings().autoIndent == 0 || code != '\r' || IsOverwriteMode() || !IsPlaced()) {
    CVeloView::OnChar(code);
    return;
  }
  // Counted before the key takes effect, on the caret's line (the moving end of a selection),
  // whatever part of it the caret stands in.
  const std::string_view line = Caret().node->text.View();
  const std::size_t tabs = line.find_first_not_of('\t');
  const std::size_t count = tabs == std::string_view::npos ? line.size() : tabs;
  CVeloView::OnChar(code);
  // An undo step of its own, so that the first Undo takes back only the indentation.
  if (count > 0) InputText(std::string(count, '\t'));
}
