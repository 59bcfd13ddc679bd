#include "tex/TypesetCommand.h"

#include <algorithm>
#include <iterator>

namespace typeset {
namespace {

struct DocumentNames {
  std::string_view file;    // %f
  std::string_view base;    // %b
  std::string_view folder;  // %d
};

DocumentNames NamesOf(std::string_view path) {
  DocumentNames names;
  const std::size_t slash = path.rfind('/');
  names.file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  names.folder = slash == std::string_view::npos ? std::string_view(".")
                 : slash == 0                    ? std::string_view("/")
                                                 : path.substr(0, slash);
  const std::size_t dot = names.file.rfind('.');
  names.base = dot == std::string_view::npos || dot == 0 ? names.file : names.file.substr(0, dot);
  return names;
}

void AppendExpanded(std::string_view text, const DocumentNames& names, std::string& word) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 == text.size()) {
      word += text[i];
      continue;
    }
    switch (text[i + 1]) {
      case 'f':
        word += names.file;
        break;
      case 'b':
        word += names.base;
        break;
      case 'd':
        word += names.folder;
        break;
      case '%':
        word += '%';
        break;
      default:
        word += '%';
        continue;
    }
    ++i;
  }
}

// The words of one line; false when a quote is not closed.
bool SplitLine(std::string_view line, const DocumentNames& names, std::vector<std::string>& words) {
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return true;
    std::string word;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
      if (line[i] == '\'' || line[i] == '"') {
        const std::size_t close = line.find(line[i], i + 1);
        if (close == std::string_view::npos) return false;
        AppendExpanded(line.substr(i + 1, close - i - 1), names, word);
        i = close + 1;
      } else {
        const std::size_t end = line.find_first_of(" \t'\"", i);
        const std::size_t stop = end == std::string_view::npos ? line.size() : end;
        AppendExpanded(line.substr(i, stop - i), names, word);
        i = stop;
      }
    }
    words.push_back(std::move(word));
  }
}

}  // namespace

CommandChain ExpandCommands(std::string_view setting, std::string_view filePath) {
  const DocumentNames names = NamesOf(filePath);
  CommandChain chain;
  int lineNumber = 0;
  for (std::size_t start = 0; start <= setting.size();) {
    const std::size_t end = std::min(setting.find('\n', start), setting.size());
    std::string_view line = setting.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    std::vector<std::string> words;
    if (!SplitLine(line, names, words)) {
      chain.commands.clear();
      chain.problem = CommandProblem::UnclosedQuote;
      chain.problemLine = lineNumber;
      return chain;
    }
    Command command;
    command.program = std::move(words.front());
    command.arguments.assign(std::make_move_iterator(words.begin() + 1),
                             std::make_move_iterator(words.end()));
    chain.commands.push_back(std::move(command));
  }
  if (chain.commands.empty()) chain.problem = CommandProblem::NoCommand;
  return chain;
}

std::string OutputPath(std::string_view filePath, std::string_view extension) {
  const DocumentNames names = NamesOf(filePath);
  std::string path(names.folder);
  if (path.back() != '/') path += '/';
  path += names.base;
  path += extension;
  return path;
}

}  // namespace typeset
