#pragma once
// Tokens of a T-SQL text. Every byte of the input belongs to exactly one token, so joining the
// tokens' text gives the input back; the parser and the rewriter work on these and re-join them.
#include <string>
#include <string_view>
#include <vector>

namespace vqodbc {

enum class Tok {
  Word,      // identifier or keyword, also @var, #temp and @@name
  Number,    // 12, 1.5, 0x1F
  String,    // '...' with '' inside; text keeps the quotes (and an N prefix, see `national`)
  Quoted,    // [name] or "name"; text keeps the delimiters
  Punct,     // one operator or punctuation character, or <> <= >= != ||
  Space,     // blanks, tabs and line breaks
  Comment,   // -- to the line end, or /* ... */ (nested)
};

struct Token {
  Tok kind;
  std::string text;
  bool national = false;  // String written N'...'

  [[nodiscard]] bool Significant() const { return kind != Tok::Space && kind != Tok::Comment; }
  // True for a Word equal to `lowerWord` without regard to ASCII case.
  [[nodiscard]] bool Is(std::string_view lowerWord) const;
  [[nodiscard]] bool IsPunct(char c) const { return kind == Tok::Punct && text.size() == 1 && text[0] == c; }
  // Lower-case text of a Word; the unquoted name of a Quoted; the value of a String.
  [[nodiscard]] std::string Name() const;
};

// Splits `sql`. An unterminated string, quoted name or comment is an error: false, with `error`.
[[nodiscard]] bool Lex(std::string_view sql, std::vector<Token>& out, std::string& error);

// Joins the text of tokens [begin, end).
[[nodiscard]] std::string Join(const std::vector<Token>& toks, std::size_t begin, std::size_t end);

// SQL string literal of `value`: quoted, single quotes doubled.
[[nodiscard]] std::string QuoteLiteral(std::string_view value);
// Identifier quoted with double quotes, inner double quotes doubled.
[[nodiscard]] std::string QuoteIdent(std::string_view name);

}  // namespace vqodbc
