// The typesetting command setting: words, quotes, %f %b %d, several commands. (The default
// chains are run for real by the runner's tests.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tex/TypesetCommand.h"

namespace {

using typeset::Command;
using typeset::CommandProblem;
using typeset::ExpandCommands;
using Words = std::vector<std::string>;

const std::string kDocument = "/home/ユーザー/日本語 フォルダ/誤り 文書.tex";

TEST(TypesetCommand, WordsQuotesAndPlaceholders) {
  const std::tuple<std::string, std::string, Words> cases[] = {
      {"  a\tb   c  ", kDocument, {"a", "b", "c"}},
      {"a \"b c\" 'd  e'", kDocument, {"a", "b c", "d  e"}},
      {"a x\"b c\"'d'e", kDocument, {"a", "xb cde"}},
      {"a \"\" ''", kDocument, {"a", "", ""}},
      {"a \"it's\" 'say \"hi\"'", kDocument, {"a", "it's", "say \"hi\""}},
      // No escapes: a backslash is TeX's, not ours.
      {"platex \\def\\x{1}\\input{%f}", kDocument, {"platex", "\\def\\x{1}\\input{誤り 文書.tex}"}},
      {"x %d/%b.log '%f'", kDocument, {"x", "/home/ユーザー/日本語 フォルダ/誤り 文書.log", "誤り 文書.tex"}},
      {"x 100%% %%f %q %", kDocument, {"x", "100%", "%f", "%q", "%"}},
      // A folder with a % in its name is not expanded again.
      {"x %d %b", "/tmp/50%f off/a.b.tex", {"x", "/tmp/50%f off", "a.b"}},
      {"x %d %b", "/report.tex", {"x", "/", "report"}},
      {"x %b", "/tmp/Makefile", {"x", "Makefile"}},
  };
  for (const auto& [line, file, words] : cases) {
    const typeset::CommandChain chain = ExpandCommands(line, file);
    ASSERT_EQ(chain.commands.size(), 1u) << line;
    Words got = {chain.commands[0].program};
    got.insert(got.end(), chain.commands[0].arguments.begin(), chain.commands[0].arguments.end());
    EXPECT_EQ(got, words) << line;
  }
}

TEST(TypesetCommand, SeveralLinesCommentsAndProblems) {
  const typeset::CommandChain chain =
      ExpandCommands("# first\r\n\r\n  one a\r\n\t# two\n  \nthree %b.dvi", kDocument);
  EXPECT_EQ(chain.commands, (std::vector<Command>{{"one", {"a"}}, {"three", {"誤り 文書.dvi"}}}));

  const typeset::CommandChain unclosed = ExpandCommands("one\ntwo \"open\nthree", kDocument);
  EXPECT_EQ(unclosed.problem, CommandProblem::UnclosedQuote);
  EXPECT_EQ(unclosed.problemLine, 2);
  EXPECT_TRUE(unclosed.commands.empty());

  for (const char* empty : {"", "\n\n", "  # only a comment\n"})
    EXPECT_EQ(ExpandCommands(empty, kDocument).problem, CommandProblem::NoCommand) << empty;
}

}  // namespace
