#include "TexGenerator.h"

#include <cstdio>

namespace mirev_bench {
namespace {

// Raw code page 932 bytes. Several trail bytes are TeX's own specials (表 95 5C, 本 96 7B,
// 図 90 7D, 点 93 5F, 機 8B 40 ...), the traps every byte scan in the editor must survive.
// clang-format off
constexpr std::string_view kKanjiWords[] = {
    "\x95\x5C" /* 表 */, "\x94\xAD\x95\x5C" /* 発表 */, "\x95\x5C\x8E\xA6" /* 表示 */,
    "\x90\xAB\x94\x5C" /* 性能 */, "\x8B\x40\x94\x5C" /* 機能 */, "\x89\xC2\x94\x5C" /* 可能 */,
    "\x97\x5C\x91\x7A" /* 予想 */, "\x97\x5C\x91\xAA" /* 予測 */, "\x90\x5C\x90\xBF" /* 申請 */,
    "\x8F\x5C\x95\xAA" /* 十分 */, "\x8D\x5C\x91\xA2" /* 構造 */, "\x8D\x5C\x90\xAC" /* 構成 */,
    "\x92\xE8\x97\x9D" /* 定理 */, "\x8F\xD8\x96\xBE" /* 証明 */, "\x95\xE2\x91\xE8" /* 補題 */,
    "\x92\xE8\x8B\x60" /* 定義 */, "\x96\x7B\x98\x5F\x95\xB6" /* 本論文 */, "\x8E\xC0\x8E\x7B" /* 実施 */,
    "\x90\x7D" /* 図 */, "\x8B\x7D\x91\xAC" /* 急速 */, "\x95\xFB\x96\x40" /* 方法 */,
    "\x8B\x40\x8A\x42" /* 機械 */, "\x91\xE5\x8A\x77\x89\x40" /* 大学院 */, "\x8D\x6C\x8E\x40" /* 考察 */,
    "\x90\x5B\x91\x77" /* 深層 */, "\x92\x5B\x93\x5F" /* 端点 */, "\x91\x5B\x92\x75" /* 措置 */,
    "\x95\x5D\x89\xBF" /* 評価 */, "\x95\xCF\x8A\xB7" /* 変換 */, "\x89\xF1\x93\x5D" /* 回転 */,
    "\x8F\x5D\x97\x88" /* 従来 */, "\x93\x57\x96\x5D" /* 展望 */, "\x98\x5F\x95\xB6" /* 論文 */,
    "\x97\x9D\x98\x5F" /* 理論 */, "\x8C\x5E" /* 型 */, "\x90\x5E" /* 真 */, "\x89\x5E\x93\xAE" /* 運動 */,
    "\x8B\x4C\x98\x5E" /* 記録 */, "\x8B\x5E\x96\xE2" /* 疑問 */, "\x89\x7E" /* 円 */,
    "\x92\xE2\x8E\x7E" /* 停止 */, "\x8C\x60\x8E\xAE" /* 形式 */, "\x93\x60\x92\x42" /* 伝達 */,
    "\x95\x60\x89\xE6" /* 描画 */, "\x92\x7C" /* 竹 */, "\x96\x7C\x96\xF3" /* 翻訳 */,
    "\x8A\xD6\x90\x94" /* 関数 */, "\x95\xFB\x92\xF6\x8E\xAE" /* 方程式 */, "\x89\xF0\x90\xCD" /* 解析 */,
    "\x8C\x76\x8E\x5A" /* 計算 */, "\x8C\x8B\x89\xCA" /* 結果 */, "\x8E\xC0\x8C\xB1" /* 実験 */,
    "\x8F\xF0\x8C\x8F" /* 条件 */, "\x8F\x57\x8D\x87" /* 集合 */, "\x8B\xF3\x8A\xD4" /* 空間 */,
    "\x98\x41\x91\xB1" /* 連続 */, "\x94\xF7\x95\xAA" /* 微分 */, "\x90\xCF\x95\xAA" /* 積分 */,
    "\x8D\x73\x97\xF1" /* 行列 */, "\x8C\xC5\x97\x4C\x92\x6C" /* 固有値 */, "\x8E\x9F\x8C\xB3" /* 次元 */,
    "\x8C\xA4\x8B\x86" /* 研究 */, "\x8E\xE8\x96\x40" /* 手法 */, "\x92\xF1\x88\xC4" /* 提案 */,
    "\x94\xE4\x8A\x72" /* 比較 */, "\x90\xAB\x8E\xBF" /* 性質 */, "\x8F\xEA\x8D\x87" /* 場合 */,
    "\x94\x43\x88\xD3" /* 任意 */, "\x91\xB6\x8D\xDD" /* 存在 */, "\x88\xEA\x88\xD3" /* 一意 */,
    "\x8E\xFB\x91\xA9" /* 収束 */, "\x8B\xDF\x8E\x97" /* 近似 */, "\x8C\xEB\x8D\xB7" /* 誤差 */,
    "\x90\x94\x92\x6C" /* 数値 */, "\x97\x7B\x90\xAC" /* 養成 */, "\x8E\x7B\x90\xDD" /* 施設 */,
    "\x93\x7D" /* 党 */, "\x93\x5F" /* 点 */, "\x90\x5F\x8C\x6F" /* 神経 */, "\x8E\x5E\x90\xAC" /* 賛成 */,
    "\x8B\x7E\x8D\xCF" /* 救済 */, "\x8B\x60\x96\xB1" /* 義務 */,
};
constexpr std::string_view kKatakanaWords[] = {
    "\x83\x66\x81\x5B\x83\x5E" /* データ */, "\x83\x41\x83\x8B\x83\x53\x83\x8A\x83\x59\x83\x80" /* アルゴリズム */,
    "\x83\x70\x83\x89\x83\x81\x81\x5B\x83\x5E" /* パラメータ */,
    "\x83\x5C\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41" /* ソフトウェア */, "\x83\x5C\x81\x5B\x83\x58" /* ソース */,
    "\x83\x56\x83\x58\x83\x65\x83\x80" /* システム */, "\x83\x82\x83\x66\x83\x8B" /* モデル */,
    "\x83\x6C\x83\x62\x83\x67\x83\x8F\x81\x5B\x83\x4E" /* ネットワーク */, "\x83\x4F\x83\x89\x83\x74" /* グラフ */,
    "\x83\x78\x83\x4E\x83\x67\x83\x8B" /* ベクトル */, "\x83\x6D\x83\x8B\x83\x80" /* ノルム */,
    "\x83\x5C\x81\x5B\x83\x67" /* ソート */, "\x83\x8A\x83\x58\x83\x67" /* リスト */,
    "\x83\x81\x83\x82\x83\x8A" /* メモリ */, "\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80" /* プログラム */,
    "\x83\x52\x83\x93\x83\x73\x83\x85\x81\x5B\x83\x5E" /* コンピュータ */,
    "\x83\x74\x83\x40\x83\x43\x83\x8B" /* ファイル */, "\x83\x65\x83\x4C\x83\x58\x83\x67" /* テキスト */,
    "\x83\x74\x83\x48\x83\x93\x83\x67" /* フォント */,
};
constexpr std::string_view kHiraganaWords[] = {
    "\x82\xCD" /* は */, "\x82\xAA" /* が */, "\x82\xF0" /* を */, "\x82\xC9" /* に */, "\x82\xCC" /* の */,
    "\x82\xC5" /* で */, "\x82\xC6" /* と */, "\x82\xE0" /* も */, "\x82\xC5\x82\xA0\x82\xE9" /* である */,
    "\x82\xC6\x82\xB7\x82\xE9" /* とする */, "\x82\xC9\x82\xC2\x82\xA2\x82\xC4" /* について */,
    "\x82\xC9\x82\xE6\x82\xE9" /* による */, "\x82\xC9\x82\xA8\x82\xA2\x82\xC4" /* において */,
    "\x82\xB1\x82\xB1\x82\xC5" /* ここで */, "\x82\xB5\x82\xBD\x82\xAA\x82\xC1\x82\xC4" /* したがって */,
    "\x82\xB7\x82\xC8\x82\xED\x82\xBF" /* すなわち */, "\x82\xDC\x82\xBD" /* また */,
    "\x82\xB3\x82\xE7\x82\xC9" /* さらに */, "\x82\xBD\x82\xBE\x82\xB5" /* ただし */,
    "\x82\xE6\x82\xC1\x82\xC4" /* よって */, "\x82\xB1\x82\xEA\x82\xCD" /* これは */,
    "\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xE9" /* されている */, "\x82\xF0\x8D\x6C\x82\xA6\x82\xE9" /* を考える */,
    "\x82\xAA\x90\xAC\x82\xE8\x97\xA7\x82\xC2" /* が成り立つ */, "\x82\xC6\x82\xA8\x82\xAD" /* とおく */,
    "\x82\xF0\x8E\xA6\x82\xB7" /* を示す */,
};
constexpr std::string_view kPunctuation[] = {
    "\x81\x41" /* 、 */, "\x81\x42" /* 。 */, "\x81\x75" /* 「 */, "\x81\x76" /* 」 */, "\x81\x69" /* （ */,
    "\x81\x6A" /* ） */, "\x81\x45" /* ・ */, "\x81\x46" /* ： */, "\x81\x47" /* ； */, "\x81\x49" /* ！ */,
    "\x81\x48" /* ？ */, "\x81\x77" /* 『 */, "\x81\x78" /* 』 */, "\x81\x60" /* 〜 */, "\x81\x81" /* ＝ */,
    "\x81\x6F" /* ｛ */, "\x81\x70" /* ｝ */, "\x82\x4F" /* ０ */, "\x82\x50" /* １ */, "\x82\x51" /* ２ */,
    "\x82\x52" /* ３ */, "\x82\x60" /* Ａ */, "\x82\x61" /* Ｂ */, "\x82\x98" /* ｘ */,
};
constexpr std::string_view kHalfWidthWords[] = {
    "\xBF\xCC\xC4\xB3\xAA\xB1" /* ｿﾌﾄｳｪｱ */, "\xC3\xDE\xB0\xC0" /* ﾃﾞｰﾀ */, "\xCC\xA7\xB2\xD9" /* ﾌｧｲﾙ */,
    "\xBC\xBD\xC3\xD1" /* ｼｽﾃﾑ */, "\xD2\xD3\xD8" /* ﾒﾓﾘ */, "\xCC\xDF\xDB\xB8\xDE\xD7\xD1" /* ﾌﾟﾛｸﾞﾗﾑ */,
    "\xBF\xB0\xBD" /* ｿｰｽ */, "\xB6\xC0\xB6\xC5" /* ｶﾀｶﾅ */,
};
// clang-format on

constexpr std::string_view kAsciiWords[] = {"TeX",   "CPU",  "GPU", "API",  "OS",
                                            "UTF-8", "2024", "10",  "3.14", "n"};

constexpr std::string_view kMath[] = {
    "x^2 + y^2 = z^2",
    "\\sum_{i=1}^{n} a_i",
    "f(x) = \\int_0^1 g(t)\\,dt",
    "\\|A\\|_F \\le \\sqrt{n}\\,\\|A\\|_2",
    "\\alpha_{k+1} = \\alpha_k - \\eta \\nabla L",
    "O(n \\log n)",
    "\\mathbb{R}^n",
    "\\lambda_{\\max}",
    "\\{x \\mid x > 0\\}",
    "e^{i\\pi} + 1 = 0",
    "\\frac{a+b}{2} \\ge \\sqrt{ab}",
    "\\lim_{n \\to \\infty} x_n = x",
};

constexpr std::string_view kInlineCommands[] = {"\\textbf{", "\\emph{", "\\texttt{", "\\ruby{"};
constexpr std::string_view kListKinds[] = {"itemize", "enumerate"};
constexpr std::string_view kMathEnvs[] = {"equation", "align", "eqnarray"};

// splitmix64: tiny, fast, and the same everywhere.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Multiply-shift reduction; its tiny bias does not matter for text.
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32); }
  int Between(int lo, int hi) {
    return lo + static_cast<int>(Below(static_cast<std::uint32_t>(hi - lo + 1)));
  }
  bool Percent(std::uint32_t p) { return Below(100) < p; }
  template <std::size_t N>
  std::string_view Pick(const std::string_view (&table)[N]) {
    return table[Below(static_cast<std::uint32_t>(N))];
  }

 private:
  std::uint64_t state_;
};

class TexWriter {
 public:
  TexWriter(std::uint64_t seed, std::string& out) : rng_(seed), out_(out) {}

  // Appends prose tokens to text until it holds at least target bytes.
  void Prose(std::string& text, std::size_t target) {
    while (text.size() < target) Token(text);
  }

  // Lines up to limit, the last one closing the document.
  void Document(int limit) {
    limit_ = limit - 1;
    Preamble();
    while (count_ < limit_) Block();
    limit_ = limit;
    Emit("\\end{document}");
  }

 private:
  void Token(std::string& text) {
    const std::uint32_t r = rng_.Below(100);
    if (r < 30) {
      text += rng_.Pick(kKanjiWords);
    } else if (r < 56) {
      text += rng_.Pick(kHiraganaWords);
    } else if (r < 66) {
      text += rng_.Pick(kKatakanaWords);
    } else if (r < 76) {
      text +=
          rng_.Percent(70) ? (rng_.Percent(60) ? kPunctuation[0] : kPunctuation[1]) : rng_.Pick(kPunctuation);
    } else if (r < 81) {
      text += rng_.Pick(kHalfWidthWords);
    } else if (r < 87) {
      text += '$';
      text += rng_.Pick(kMath);
      text += '$';
    } else if (r < 93) {
      text += rng_.Pick(kInlineCommands);
      text += rng_.Pick(kKanjiWords);
      text += '}';
    } else if (r < 96) {
      text += rng_.Percent(50) ? "~\\cite{ref" : "~\\ref{eq:";
      text += std::to_string(rng_.Between(1, 400));
      text += '}';
    } else {
      text += ' ';
      text += rng_.Pick(kAsciiWords);
      text += ' ';
    }
  }

  void Emit(std::string_view line) {
    if (count_ >= limit_) return;
    out_ += line;
    out_ += "\r\n";
    ++count_;
  }

  void ProseLine(std::string_view prefix, int minBytes, int maxBytes) {
    line_.assign(prefix);
    Prose(line_, line_.size() + static_cast<std::size_t>(rng_.Between(minBytes, maxBytes)));
    Emit(line_);
  }

  void Preamble() {
    Emit("\\documentclass[a4paper,11pt]{jarticle}");
    Emit("\\usepackage{amsmath,amssymb}");
    Emit("\\usepackage{graphicx}");
    ProseLine("% ", 20, 50);
    line_ = "\\title{";
    line_ += rng_.Pick(kKanjiWords);
    line_ += rng_.Pick(kHiraganaWords);
    line_ += rng_.Pick(kKatakanaWords);
    line_ += '}';
    Emit(line_);
    Emit("\\begin{document}");
    Emit("\\maketitle");
    Emit("");
  }

  void Block() {
    const std::uint32_t r = rng_.Below(100);
    if (r < 58) {
      for (int i = rng_.Between(1, 6); i > 0; --i) ProseLine("", kProseMin, kProseMax);
      Emit("");
    } else if (r < 66) {
      for (int i = rng_.Between(1, 2); i > 0; --i) ProseLine(rng_.Percent(80) ? "% " : "%%% ", 15, 60);
    } else if (r < 74) {
      Heading(rng_.Percent(30) ? "\\section{" : "\\subsection{");
    } else if (r < 84) {
      List();
    } else if (r < 95) {
      Math();
    } else {
      Table();
    }
  }

  void Heading(std::string_view command) {
    line_ = command;
    for (int i = rng_.Between(1, 3); i > 0; --i)
      line_ += rng_.Percent(75) ? rng_.Pick(kKanjiWords) : rng_.Pick(kKatakanaWords);
    line_ += '}';
    Emit(line_);
    line_ = "\\label{sec:";
    line_ += std::to_string(++labels_);
    line_ += '}';
    Emit(line_);
  }

  void Fence(std::string_view command, std::string_view env) {
    line_ = command;
    line_ += '{';
    line_ += env;
    line_ += '}';
    Emit(line_);
  }

  void List() {
    const std::string_view kind = rng_.Pick(kListKinds);
    Fence("\\begin", kind);
    for (int i = rng_.Between(2, 5); i > 0; --i) {
      ProseLine("\t\\item ", 20, 70);
      if (rng_.Percent(20)) {
        Emit("\t\\begin{itemize}");
        for (int j = rng_.Between(1, 3); j > 0; --j) ProseLine("\t\t\\item ", 15, 50);
        Emit("\t\\end{itemize}");
      }
    }
    Fence("\\end", kind);
  }

  void Math() {
    const std::string_view env = rng_.Pick(kMathEnvs);
    Fence("\\begin", env);
    const int rows = env == "equation" ? 1 : rng_.Between(2, 4);
    for (int i = 0; i < rows; ++i) {
      line_ = "\t";
      line_ += rng_.Pick(kMath);
      if (env != "equation") {
        line_ += " &= ";
        line_ += rng_.Pick(kMath);
        if (i + 1 < rows) line_ += " \\\\";
      }
      Emit(line_);
    }
    line_ = "\t\\label{eq:";
    line_ += std::to_string(++labels_);
    line_ += '}';
    Emit(line_);
    Fence("\\end", env);
  }

  void Table() {
    Emit("\\begin{table}[htbp]");
    Emit("\t\\centering");
    line_ = "\t\\caption{";
    Prose(line_, line_.size() + static_cast<std::size_t>(rng_.Between(10, 30)));
    line_ += '}';
    Emit(line_);
    Emit("\t\\begin{tabular}{|l|c|r|}");
    Emit("\t\t\\hline");
    for (int i = rng_.Between(2, 6); i > 0; --i) {
      line_ = "\t\t";
      line_ += rng_.Pick(kKanjiWords);
      line_ += " & ";
      line_ += rng_.Percent(50) ? rng_.Pick(kKatakanaWords) : rng_.Pick(kHalfWidthWords);
      line_ += " & ";
      line_ += std::to_string(rng_.Between(0, 99999));
      line_ += " \\\\";
      Emit(line_);
    }
    Emit("\t\t\\hline");
    Emit("\t\\end{tabular}");
    Emit("\\end{table}");
  }

  static constexpr int kProseMin = 78;
  static constexpr int kProseMax = 164;

  Rng rng_;
  std::string& out_;
  std::string line_;
  int count_ = 0;
  int limit_ = 0;
  int labels_ = 0;
};

}  // namespace

std::optional<TexKind> ParseTexKind(std::string_view name) {
  for (TexKind kind : {TexKind::Small, TexKind::Lines100k, TexKind::Lines1M, TexKind::LongLine})
    if (name == TexKindName(kind)) return kind;
  return std::nullopt;
}

const char* TexKindName(TexKind kind) {
  switch (kind) {
    case TexKind::Small:
      return "small";
    case TexKind::Lines100k:
      return "100k";
    case TexKind::Lines1M:
      return "1m";
    case TexKind::LongLine:
      return "longline";
  }
  return "?";
}

int TexKindLines(TexKind kind) {
  switch (kind) {
    case TexKind::Small:
      return 1000;
    case TexKind::Lines100k:
      return 100000;
    case TexKind::Lines1M:
      return 1000000;
    case TexKind::LongLine:
      return 1;
  }
  return 1;
}

std::string GenerateTexLines(int lineCount, std::uint64_t seed) {
  std::string out;
  out.reserve(static_cast<std::size_t>(lineCount) * 72 + 64);
  TexWriter(seed, out).Document(lineCount < 1 ? 1 : lineCount);
  return out;
}

std::string GenerateTexLongLine(std::size_t byteCount, std::uint64_t seed) {
  std::string out;
  out.reserve(byteCount + 128);
  TexWriter writer(seed, out);
  std::string token;
  while (out.size() < byteCount) {
    token.clear();
    writer.Prose(token, 1);
    // A token that would overrun is replaced by ASCII so no double-byte character is cut.
    if (out.size() + token.size() > byteCount) token.assign(byteCount - out.size(), 'x');
    out += token;
  }
  out += "\r\n";
  return out;
}

std::string GenerateTex(TexKind kind, std::uint64_t seed) {
  if (kind == TexKind::LongLine) return GenerateTexLongLine(kLongLineBytes, seed);
  return GenerateTexLines(TexKindLines(kind), seed);
}

bool WriteFileBytes(const std::string& path, std::string_view bytes, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    if (error) *error = "cannot create " + path;
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace mirev_bench
