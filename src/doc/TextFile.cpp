#include "doc/TextFile.h"

#include <cerrno>
#include <cstddef>
#include <new>

#include "doc/CVeloDoc.h"
#include "sys/SafeFileWriter.h"
#include "sys/WholeFileReader.h"

namespace {

// Line lengths and byte offsets are 32-bit.
constexpr std::size_t kMaxFileSize = std::size_t{1} << 31;

FileResult OutOfMemory() { return FileResult{FileErrorCause::Generic, ENOMEM, "not enough memory"}; }

}  // namespace

FileResult ReadTextFile(const std::string& path, CVeloDoc& doc) {
  FileImage image;
  FileResult result = ReadWholeFile(path, kMaxFileSize, image);
  if (!result.Ok()) return result;
  try {
    doc.LoadLines(image.block, image.size);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  doc.UpdateAllViews(nullptr, nullptr);
  return result;
}

FileResult WriteTextFile(const std::string& path, CVeloDoc& doc) {
  try {
    SafeFileWriter writer(path);
    if (FileResult opened = writer.Open(); !opened.Ok()) return opened;
    for (const LineNode* n = doc.FirstLine(); n; n = n->next) {
      writer.Append(n->text.View());
      writer.Append("\r\n");
    }
    FileResult result = writer.Commit();
    if (result.Ok()) doc.SetModifiedFlag(false);
    return result;
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}
