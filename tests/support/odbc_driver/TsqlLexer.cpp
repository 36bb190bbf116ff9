#include "TsqlLexer.h"

#include "platform/TextCodec.h"

#include <cctype>

namespace vqodbc {
namespace {

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80; }
bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80; }

// Reads a delimited run starting at s[i] (the opening delimiter) up to the closing one, where a
// doubled closing delimiter stands for one. Returns the index after it, or npos.
std::size_t ScanDelimited(std::string_view s, std::size_t i, char close) {
  for (std::size_t j = i + 1; j < s.size(); ++j) {
    if (s[j] != close) continue;
    if (j + 1 < s.size() && s[j + 1] == close) {
      ++j;
      continue;
    }
    return j + 1;
  }
  return std::string_view::npos;
}

std::string Undouble(std::string_view inner, char q) {
  std::string out;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    out += inner[i];
    if (inner[i] == q && i + 1 < inner.size() && inner[i + 1] == q) ++i;
  }
  return out;
}

}  // namespace

bool Token::Is(std::string_view lowerWord) const {
  return kind == Tok::Word && platform::AsciiLower(text) == lowerWord;
}

std::string Token::Name() const {
  switch (kind) {
    case Tok::Word: return platform::AsciiLower(text);
    case Tok::Quoted: return Undouble(std::string_view(text).substr(1, text.size() - 2), text.back());
    case Tok::String: {
      const std::size_t start = national ? 2 : 1;
      return Undouble(std::string_view(text).substr(start, text.size() - start - 1), '\'');
    }
    default: return text;
  }
}

bool Lex(std::string_view s, std::vector<Token>& out, std::string& error) {
  out.clear();
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t start = i;
    Token t{Tok::Punct, {}};
    if (std::isspace(c)) {
      while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
      t.kind = Tok::Space;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') ++i;
      t.kind = Tok::Comment;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      int depth = 0;
      while (i < s.size()) {
        if (s.compare(i, 2, "/*") == 0) {
          ++depth;
          i += 2;
        } else if (s.compare(i, 2, "*/") == 0) {
          i += 2;
          if (--depth == 0) break;
        } else {
          ++i;
        }
      }
      if (depth != 0) {
        error = "Missing end comment mark '*/'.";
        return false;
      }
      t.kind = Tok::Comment;
    } else if (c == '\'' || ((c == 'N' || c == 'n') && i + 1 < s.size() && s[i + 1] == '\'')) {
      t.national = c != '\'';
      const std::size_t end = ScanDelimited(s, t.national ? i + 1 : i, '\'');
      if (end == std::string_view::npos) {
        error = "Unclosed quotation mark after the character string '" + std::string(s.substr(i)) + "'.";
        return false;
      }
      i = end;
      t.kind = Tok::String;
    } else if (c == '[' || c == '"') {
      const std::size_t end = ScanDelimited(s, i, c == '[' ? ']' : '"');
      if (end == std::string_view::npos) {
        error = "Unclosed quoted identifier near '" + std::string(s.substr(i, 40)) + "'.";
        return false;
      }
      i = end;
      t.kind = Tok::Quoted;
    } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      if (c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) i += 2;
      while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.')) ++i;
      t.kind = Tok::Number;
    } else if (IsWordStart(c)) {
      while (i < s.size() && IsWordChar(static_cast<unsigned char>(s[i]))) ++i;
      t.kind = Tok::Word;
    } else {
      static constexpr std::string_view kTwo[] = {"<>", "<=", ">=", "!=", "||"};
      i += 1;
      for (auto two : kTwo)
        if (s.compare(start, 2, two) == 0) i = start + 2;
    }
    t.text = std::string(s.substr(start, i - start));
    out.push_back(std::move(t));
  }
  return true;
}

std::string Join(const std::vector<Token>& toks, std::size_t begin, std::size_t end) {
  std::string out;
  for (std::size_t i = begin; i < end && i < toks.size(); ++i) out += toks[i].text;
  return out;
}

std::string QuoteLiteral(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string QuoteIdent(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace vqodbc
