// The typesetting command setting: words, quotes, %f %b %d, several commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tex/TypesetCommand.h"

namespace {

using typeset::Command;
using typeset::CommandProblem;
using typeset::ExpandCommands;

const std::string kDocument = "/home/ユーザー/日本語 フォルダ/誤り 文書.tex";

std::vector<std::string> Words(std::string_view line, std::string_view file = kDocument) {
  const typeset::CommandChain chain = ExpandCommands(line, file);
  EXPECT_EQ(chain.commands.size(), 1u) << line;
  if (chain.commands.size() != 1) return {};
  std::vector<std::string> words = {chain.commands[0].program};
  words.insert(words.end(), chain.commands[0].arguments.begin(), chain.commands[0].arguments.end());
  return words;
}

TEST(TypesetCommand, TheDefaultChainKeepsEachNameOneArgument) {
  const typeset::CommandChain chain = ExpandCommands(typeset::kPlatexCommand, kDocument);
  ASSERT_EQ(chain.problem, CommandProblem::None);
  EXPECT_EQ(chain.commands, (std::vector<Command>{{"platex",
                                                   {"-kanji=sjis", "-interaction=nonstopmode",
                                                    "-file-line-error", "-synctex=1", "誤り 文書.tex"}},
                                                  {"dvipdfmx", {"誤り 文書.dvi"}}}));
  EXPECT_EQ(typeset::OutputPath(kDocument, ".pdf"), "/home/ユーザー/日本語 フォルダ/誤り 文書.pdf");

  // latexmk's own placeholders pass through; its Perl code stays one argument.
  const typeset::CommandChain latexmk = ExpandCommands(typeset::kLatexmkCommand, kDocument);
  ASSERT_EQ(latexmk.commands.size(), 1u);
  EXPECT_EQ(latexmk.commands[0].arguments,
            (std::vector<std::string>{
                "-pdfdvi", "-recorder-", "-e",
                "$latex=q/platex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1 %O %S/",
                "-e", "$dvipdf=q/dvipdfmx %O -o %D %S/", "誤り 文書.tex"}));
}

TEST(TypesetCommand, WordsQuotesAndPlaceholders) {
  struct Case {
    std::string line;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"  a\tb   c  ", {"a", "b", "c"}},
      {"a \"b c\" 'd  e'", {"a", "b c", "d  e"}},
      {"a x\"b c\"'d'e", {"a", "xb cde"}},
      {"a \"\" ''", {"a", "", ""}},
      {"a \"it's\" 'say \"hi\"'", {"a", "it's", "say \"hi\""}},
      // No escapes: a backslash is TeX's, not ours.
      {"platex \\def\\x{1}\\input{%f}", {"platex", "\\def\\x{1}\\input{誤り 文書.tex}"}},
      {"x %d/%b.log '%f'", {"x", "/home/ユーザー/日本語 フォルダ/誤り 文書.log", "誤り 文書.tex"}},
      {"x 100%% %%f %q %", {"x", "100%", "%f", "%q", "%"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Words(c.line), c.words) << c.line;

  // A folder with a % in its name is not expanded again.
  EXPECT_EQ(Words("x %d %b", "/tmp/50%f off/a.b.tex"),
            (std::vector<std::string>{"x", "/tmp/50%f off", "a.b"}));
  EXPECT_EQ(Words("x %d %b", "/report.tex"), (std::vector<std::string>{"x", "/", "report"}));
  EXPECT_EQ(Words("x %b", "/tmp/Makefile"), (std::vector<std::string>{"x", "Makefile"}));
}

TEST(TypesetCommand, SeveralLinesCommentsAndProblems) {
  const typeset::CommandChain chain =
      ExpandCommands("# first\r\n\r\n  one a\r\n\t# two\n  \nthree", kDocument);
  EXPECT_EQ(chain.commands, (std::vector<Command>{{"one", {"a"}}, {"three", {}}}));

  const typeset::CommandChain unclosed = ExpandCommands("one\ntwo \"open\nthree", kDocument);
  EXPECT_EQ(unclosed.problem, CommandProblem::UnclosedQuote);
  EXPECT_EQ(unclosed.problemLine, 2);
  EXPECT_TRUE(unclosed.commands.empty());

  for (const char* empty : {"", "\n\n", "  # only a comment\n"})
    EXPECT_EQ(ExpandCommands(empty, kDocument).problem, CommandProblem::NoCommand) << empty;
}

}  // namespace
