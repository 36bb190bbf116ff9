#include "TsqlRewrite.h"

#include "ColumnTypes.h"
#include "OdbcApi.h"
#include "platform/TextCodec.h"

namespace vqodbc {
namespace {

constexpr const char* kNormDate = "strftime('%Y-%m-%d %H:%M:%f',";
constexpr const char* kLocalNow = "(strftime('%Y-%m-%d %H:%M:%f','now','localtime'))";

using Toks = std::vector<Token>;

std::size_t NextSig(const Toks& t, std::size_t i, std::size_t e) {
  while (i < e && !t[i].Significant()) ++i;
  return i;
}

// Index of the ')' matching the '(' at `open`, or `e`.
std::size_t Matching(const Toks& t, std::size_t open, std::size_t e) {
  int depth = 0;
  for (std::size_t i = open; i < e; ++i) {
    if (t[i].IsPunct('(')) ++depth;
    if (t[i].IsPunct(')') && --depth == 0) return i;
  }
  return e;
}

// Top-level comma-separated parts of [b, e).
std::vector<std::pair<std::size_t, std::size_t>> SplitCommas(const Toks& t, std::size_t b, std::size_t e) {
  std::vector<std::pair<std::size_t, std::size_t>> parts;
  int depth = 0;
  std::size_t start = b;
  for (std::size_t i = b; i < e; ++i) {
    if (t[i].IsPunct('(')) ++depth;
    if (t[i].IsPunct(')')) --depth;
    if (depth == 0 && t[i].IsPunct(',')) {
      parts.emplace_back(start, i);
      start = i + 1;
    }
  }
  parts.emplace_back(start, e);
  return parts;
}

bool IsName(const Token& t) { return t.kind == Tok::Word || t.kind == Tok::Quoted; }
std::string NamePart(const Token& t) { return t.kind == Tok::Quoted ? t.Name() : t.text; }
bool IsDbo(const Token& t) { return IsName(t) && platform::AsciiLower(NamePart(t)) == "dbo"; }

std::string Rw(const Toks& t, std::size_t b, std::size_t e);

// convert(type, x[, style]) and cast(x as type) share this: the SQLite expression of `expr`
// taken as the T-SQL type `type` (its tokens [tb, te)).
std::string CastTo(const Toks& t, std::size_t tb, std::size_t te, const std::string& expr) {
  std::string decl;
  for (std::size_t i = tb; i < te; ++i)
    if (t[i].Significant()) decl += t[i].kind == Tok::Quoted ? t[i].Name() : t[i].text;
  const TypeInfo ti = ClassifyDeclType(decl);
  if (ti.dateTime) return std::string(kNormDate) + "(" + expr + "))";
  if (ti.text) {
    const bool sized = decl.find('(') != std::string::npos;
    const long len = sized ? ti.columnSize : 30;
    return "substr(cast((" + expr + ") as text),1," + std::to_string(len) + ")";
  }
  if (ti.fixedScale) return "round(cast((" + expr + ") as real)," + std::to_string(ti.digits) + ")";
  if (ti.sqlType == 0) return "cast((" + expr + ") as " + decl + ")";
  const bool integral = ti.typeName.find("int") != std::string::npos || ti.typeName == "bit";
  return "cast((" + expr + ") as " + (integral ? "integer" : "real") + ")";
}

// Tries a construct that starts with the Word at `i`; on success appends its SQLite text to
// `out`, moves `i` past it and returns true.
bool RwSpecial(const Toks& t, std::size_t& i, std::size_t e, std::string& out, long& limit, const std::string& prev) {
  const std::string w = t[i].Name();
  const std::size_t n1 = NextSig(t, i + 1, e);
  const bool call = n1 < e && t[n1].IsPunct('(');
  if (IsDbo(t[i]) && n1 < e && t[n1].IsPunct('.')) {
    const std::size_t nameAt = NextSig(t, n1 + 1, e);
    if (nameAt >= e || !IsName(t[nameAt])) return false;
    const std::size_t open = NextSig(t, nameAt + 1, e);
    const bool tablePlace = prev == "into" || prev == "table" || prev == "update" || prev == "from" || prev == "join";
    if (open < e && t[open].IsPunct('(') && !tablePlace) {
      const std::size_t close = Matching(t, open, e);
      const std::string args = Rw(t, open + 1, close);
      out += "vq_dbo_call(" + QuoteLiteral(NamePart(t[nameAt]));
      if (!platform::TrimBlanks(args).empty()) out += "," + args;
      out += ")";
      i = close + 1;
    } else {
      out += t[nameAt].kind == Tok::Quoted ? QuoteIdent(t[nameAt].Name()) : t[nameAt].text;
      i = nameAt + 1;
    }
    return true;
  }
  if (w == "isnull" && call) {
    out += "ifnull";
    i = n1;
    return true;
  }
  if (w == "@@identity" || w == "@@rowcount") {
    out += w == "@@identity" ? "last_insert_rowid()" : "changes()";
    ++i;
    return true;
  }
  if (w == "with" && call) {
    const std::size_t close = Matching(t, n1, e);
    const std::size_t hint = NextSig(t, n1 + 1, close);
    static constexpr std::string_view kHints[] = {"nolock", "readuncommitted", "rowlock", "updlock", "holdlock", "readpast", "tablock"};
    for (auto h : kHints)
      if (hint < close && t[hint].Is(h)) {
        i = close + 1;
        return true;
      }
    return false;
  }
  if (w == "top" && (prev == "select" || prev == "distinct" || prev == "all")) {
    std::size_t num = n1;
    std::size_t after = n1 + 1;
    if (call) {
      num = NextSig(t, n1 + 1, e);
      after = Matching(t, n1, e) + 1;
    }
    if (num >= e || t[num].kind != Tok::Number) return false;
    limit = std::strtol(t[num].text.c_str(), nullptr, 10);
    i = after;
    return true;
  }
  if ((w == "convert" || w == "cast") && call) {
    const std::size_t close = Matching(t, n1, e);
    if (w == "convert") {
      const auto parts = SplitCommas(t, n1 + 1, close);
      if (parts.size() < 2) return false;
      out += CastTo(t, parts[0].first, parts[0].second, Rw(t, parts[1].first, parts[1].second));
    } else {
      std::size_t as = close;
      int depth = 0;
      for (std::size_t k = n1 + 1; k < close; ++k) {
        if (t[k].IsPunct('(')) ++depth;
        if (t[k].IsPunct(')')) --depth;
        if (depth == 0 && t[k].Is("as")) as = k;
      }
      if (as == close) return false;
      out += CastTo(t, as + 1, close, Rw(t, n1 + 1, as));
    }
    i = close + 1;
    return true;
  }
  return false;
}

// SQLite reads a NUL byte as the end of the statement: a value holding one is joined from pieces.
std::string SqliteLiteral(const std::string& value) {
  if (value.find('\0') == std::string::npos) return QuoteLiteral(value);
  std::string out = "(";
  std::size_t from = 0;
  for (std::size_t at; (at = value.find('\0', from)) != std::string::npos; from = at + 1)
    out += QuoteLiteral(value.substr(from, at - from)) + "||char(0)||";
  return out + QuoteLiteral(value.substr(from)) + ")";
}

// A "+" beside a text literal or a char()/nchar() call joins texts, which SQLite writes "||".
bool TextPlus(const Toks& t, std::size_t i, std::size_t b, std::size_t e) {
  const std::size_t next = NextSig(t, i + 1, e);
  if (next < e && (t[next].kind == Tok::String || t[next].Is("char") || t[next].Is("nchar"))) return true;
  std::size_t p = i;
  while (p > b && !t[p - 1].Significant()) --p;
  if (p == b) return false;
  if (t[p - 1].kind == Tok::String) return true;
  if (!t[p - 1].IsPunct(')')) return false;
  // The call before: walk back to its "(" and look at the name in front of it.
  int depth = 0;
  for (std::size_t q = p - 1; q > b; --q) {
    if (t[q].IsPunct(')')) ++depth;
    if (t[q].IsPunct('(') && --depth == 0) {
      std::size_t name = q;
      while (name > b && !t[name - 1].Significant()) --name;
      return name > b && (t[name - 1].Is("char") || t[name - 1].Is("nchar"));
    }
  }
  return false;
}

std::string Rw(const Toks& t, std::size_t b, std::size_t e) {
  std::string out;
  long limit = -1;
  std::string prev;
  for (std::size_t i = b; i < e;) {
    const Token& k = t[i];
    if (k.kind == Tok::Word && RwSpecial(t, i, e, out, limit, prev)) {
      prev = "";
      continue;
    }
    if (k.kind == Tok::Comment) {
      out += ' ';
    } else if (k.IsPunct('(')) {
      const std::size_t close = Matching(t, i, e);
      out += "(" + Rw(t, i + 1, close) + (close < e ? ")" : "");
      i = close;
    } else if (k.kind == Tok::String) {
      out += SqliteLiteral(k.national ? k.Name() : CodePageText(k.Name()));
    } else if (k.IsPunct('+') && TextPlus(t, i, b, e)) {
      out += "||";
    } else if (k.Is("nchar") && NextSig(t, i + 1, e) < e && t[NextSig(t, i + 1, e)].IsPunct('(')) {
      out += "char";
    } else if (k.kind == Tok::Quoted && k.text[0] == '[') {
      out += QuoteIdent(k.Name());
    } else {
      out += k.text;
    }
    if (k.Significant()) prev = k.kind == Tok::Word ? k.Name() : k.text;
    ++i;
  }
  if (limit >= 0) out += " limit " + std::to_string(limit);
  return out;
}

std::string ReplaceGetDate(std::string s) {
  const std::string lower = platform::AsciiLower(s);
  const std::size_t at = lower.find("getdate()");
  if (at != std::string::npos) s = s.substr(0, at) + kLocalNow + ReplaceGetDate(s.substr(at + 9));
  return s;
}

struct ColumnDef {
  std::string sql;
  std::string name;
  bool identity = false;
  bool dateTime = false;
};

// What the server refuses to store in a column of type `ti`: text longer than the declared
// length (code page 936 bytes for char/varchar, UTF-16 units for nchar/nvarchar, counted here
// as characters), text that is no number in a numeric column, text that is no date-time in a
// datetime column (an empty text reads as zero and the start date there). The constraint's
// name tells DiagFromDb which error to report.
std::string FitCheck(const std::string& name, const TypeInfo& ti) {
  const std::string c = QuoteIdent(name);
  const std::string isText = "typeof(" + c + ")='text'";
  const std::string blank = "trim(" + c + ")=''";
  auto check = [&](const char* kind, const std::string& ok) {
    return " CONSTRAINT " + QuoteIdent(std::string(kind) + name) + " CHECK(" + c + " IS NULL OR " + ok + ")";
  };
  const bool narrow = ti.sqlType == SQL_CHAR || ti.sqlType == SQL_VARCHAR;
  const bool wide = ti.sqlType == SQL_WCHAR || ti.sqlType == SQL_WVARCHAR;
  if ((narrow || wide) && ti.columnSize < 1073741823L) {
    const std::string len = narrow ? "(length(" + c + ")+length(CAST(" + c + " AS BLOB)))/2" : "length(" + c + ")";
    return check(kFitLength, len + "<=" + std::to_string(ti.columnSize));
  }
  switch (ti.sqlType) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return check(kFitInt, "NOT " + isText + " OR " + blank);
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_REAL:
    case SQL_DOUBLE: return check(kFitNumber, "NOT " + isText);
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE:
      return check(kFitDate, "NOT " + isText + " OR " + blank + " OR " + kNormDate + "trim(" + c + ")) IS NOT NULL");
    default: return {};
  }
}

// One column definition [b, e) in SQLite form.
bool TranslateColumn(const Toks& t, std::size_t b, std::size_t e, ColumnDef& col, std::string& error) {
  std::size_t i = NextSig(t, b, e);
  if (i >= e || !IsName(t[i])) {
    error = "Incorrect syntax in a column definition: '" + platform::TrimBlanks(Join(t, b, e)) + "'.";
    return false;
  }
  col.name = NamePart(t[i]);
  std::string type;
  i = NextSig(t, i + 1, e);
  if (i < e && IsName(t[i])) {
    type = platform::AsciiLower(NamePart(t[i]));
    i = NextSig(t, i + 1, e);
    if (i < e && t[i].IsPunct('(')) {
      const std::size_t close = Matching(t, i, e);
      std::string args;
      for (std::size_t k = i + 1; k < close; ++k)
        if (t[k].Significant()) args += t[k].text;
      if (platform::AsciiLower(args) == "max") args = "1073741823";
      type += "(" + args + ")";
      i = NextSig(t, close + 1, e);
    }
  }
  const TypeInfo ti = ClassifyDeclType(type);
  col.dateTime = ti.dateTime;
  std::string rest;
  for (; i < e; i = NextSig(t, i + 1, e)) {
    const std::string w = t[i].kind == Tok::Word ? t[i].Name() : "";
    const std::size_t n1 = NextSig(t, i + 1, e);
    if (w == "identity") {
      col.identity = true;
      if (n1 < e && t[n1].IsPunct('(')) i = Matching(t, n1, e);
    } else if (w == "collate") {
      i = n1;
    } else if (w == "clustered" || w == "nonclustered" || w == "rowguidcol" || w == "sparse") {
    } else if (w == "primary" && col.identity) {
      i = n1;
    } else if (w == "default") {
      std::size_t end = n1 + 1;
      if (n1 < e && t[n1].IsPunct('(')) end = Matching(t, n1, e) + 1;
      if (n1 < e && (t[n1].IsPunct('-') || t[n1].IsPunct('+'))) end = NextSig(t, n1 + 1, e) + 1;
      if (n1 < e && t[n1].kind == Tok::Word) {
        const std::size_t open = NextSig(t, n1 + 1, e);
        if (open < e && t[open].IsPunct('(')) end = Matching(t, open, e) + 1;
      }
      std::string expr = platform::TrimBlanks(ReplaceGetDate(Rw(t, n1, end)));
      if (!expr.empty() && expr[0] != '(' && n1 < e && t[n1].kind == Tok::Word && !t[n1].Is("null")) expr = "(" + expr + ")";
      rest += " default " + expr;
      i = end - 1;
    } else if (t[i].IsPunct('(')) {
      const std::size_t close = Matching(t, i, e);
      rest += " " + Rw(t, i, close + 1);
      i = close;
    } else {
      rest += " " + Rw(t, i, i + 1);
    }
  }
  if (col.identity) {
    col.sql = QuoteIdent(col.name) + " INTEGER PRIMARY KEY AUTOINCREMENT";
    return true;
  }
  col.sql = QuoteIdent(col.name) + (type.empty() ? "" : " " + type) + rest + (ti.text ? " COLLATE NOCASE" : "") +
            FitCheck(col.name, ti);
  return true;
}

void AddDateTriggers(const std::string& table, const std::string& column, std::vector<std::string>& out) {
  const std::string c = "NEW." + QuoteIdent(column);
  const std::string norm = std::string(kNormDate) + c + ")";
  const std::string when = " FOR EACH ROW WHEN typeof(" + c + ")='text' AND " + norm + " IS NOT NULL AND " + norm + "<>" + c;
  const std::string body = " BEGIN UPDATE " + QuoteIdent(table) + " SET " + QuoteIdent(column) + "=" + norm +
                           " WHERE rowid=NEW.rowid; END";
  out.push_back("CREATE TRIGGER " + QuoteIdent("vq_dt_" + table + "_" + column + "_i") + " AFTER INSERT ON " +
                QuoteIdent(table) + when + body);
  out.push_back("CREATE TRIGGER " + QuoteIdent("vq_dt_" + table + "_" + column + "_u") + " AFTER UPDATE OF " +
                QuoteIdent(column) + " ON " + QuoteIdent(table) + when + body);
}

// Reads a possibly dotted table name at `i`; returns its last part and moves `i` past it.
std::string ReadTableName(const Toks& t, std::size_t& i, std::size_t e) {
  std::string name;
  i = NextSig(t, i, e);
  while (i < e && IsName(t[i])) {
    name = NamePart(t[i]);
    const std::size_t dot = NextSig(t, i + 1, e);
    if (dot < e && t[dot].IsPunct('.')) {
      i = NextSig(t, dot + 1, e);
    } else {
      i = dot;
      break;
    }
  }
  return name;
}

bool CreateTable(const Toks& t, std::size_t i, std::size_t e, std::vector<std::string>& out, std::string& error) {
  const std::string table = ReadTableName(t, i, e);
  if (table.empty() || i >= e || !t[i].IsPunct('(')) {
    error = "Incorrect syntax in CREATE TABLE.";
    return false;
  }
  const std::size_t close = Matching(t, i, e);
  std::vector<ColumnDef> cols;
  std::vector<std::pair<std::size_t, std::size_t>> constraints;
  for (auto [b, pe] : SplitCommas(t, i + 1, close)) {
    const std::size_t f = NextSig(t, b, pe);
    if (f >= pe) continue;
    static constexpr std::string_view kTableLevel[] = {"constraint", "primary", "unique", "foreign", "check"};
    bool tableLevel = false;
    for (auto k : kTableLevel) tableLevel = tableLevel || t[f].Is(k);
    if (tableLevel) {
      constraints.emplace_back(f, pe);
      continue;
    }
    ColumnDef col;
    if (!TranslateColumn(t, f, pe, col, error)) return false;
    cols.push_back(std::move(col));
  }
  bool identity = false;
  std::string sql = "CREATE TABLE " + QuoteIdent(table) + "(";
  for (std::size_t k = 0; k < cols.size(); ++k) {
    identity = identity || cols[k].identity;
    sql += (k ? ", " : "") + cols[k].sql;
  }
  for (auto [b, ce] : constraints) {
    std::string c;
    for (std::size_t k = b; k < ce; k = NextSig(t, k + 1, ce)) {
      if (t[k].Is("clustered") || t[k].Is("nonclustered")) continue;
      const std::size_t nk = NextSig(t, k + 1, ce);
      const bool action = nk < ce && (t[nk].Is("delete") || t[nk].Is("update"));
      if (t[k].Is("with") || (t[k].Is("on") && !action)) break;  // index options and filegroups
      if (t[k].Is("primary") && identity) {
        c += " unique";
        k = NextSig(t, k + 1, ce);
        continue;
      }
      if (t[k].IsPunct('(')) {
        const std::size_t m = Matching(t, k, ce);
        c += " " + Rw(t, k, m + 1);
        k = m;
        continue;
      }
      c += " " + Rw(t, k, k + 1);
    }
    sql += "," + c;
  }
  out.push_back(sql + ")");
  for (const auto& col : cols)
    if (col.dateTime) AddDateTriggers(table, col.name, out);
  return true;
}

bool AlterTable(const Toks& t, std::size_t i, std::size_t e, std::vector<std::string>& out, std::string& error) {
  const std::string table = ReadTableName(t, i, e);
  const std::size_t what = i < e ? NextSig(t, i + 1, e) : e;
  if (i >= e || !t[i].Is("add") || what >= e || t[what].Is("constraint")) {
    out.push_back(Rw(t, 0, e));
    return true;
  }
  std::size_t b = i + 1;
  const std::size_t f = NextSig(t, b, e);
  if (f < e && t[f].Is("column")) b = f + 1;
  for (auto [cb, ce] : SplitCommas(t, b, e)) {
    ColumnDef col;
    if (!TranslateColumn(t, cb, ce, col, error)) return false;
    if (col.identity) {
      error = "The test driver cannot add an identity column to an existing table.";
      return false;
    }
    out.push_back("ALTER TABLE " + QuoteIdent(table) + " ADD COLUMN " + col.sql);
    if (col.dateTime) AddDateTriggers(table, col.name, out);
  }
  return true;
}

}  // namespace

bool RewriteStatement(const Toks& t, std::vector<std::string>& out, std::string& error) {
  out.clear();
  const std::size_t e = t.size();
  const std::size_t f = NextSig(t, 0, e);
  if (f >= e) return true;
  const std::size_t s = NextSig(t, f + 1, e);
  const std::string first = t[f].Name();
  const std::string second = s < e ? t[s].Name() : "";
  if (first == "create" && second == "table") return CreateTable(t, s + 1, e, out, error);
  if (first == "alter" && second == "table") return AlterTable(t, s + 1, e, out, error);
  if (first == "create" && (second == "clustered" || second == "nonclustered" || second == "unique")) {
    Toks copy;
    for (const auto& k : t)
      if (!k.Is("clustered") && !k.Is("nonclustered")) copy.push_back(k);
    out.push_back(Rw(copy, 0, copy.size()));
    return true;
  }
  if (first == "truncate" && second == "table") {
    out.push_back("delete from " + Rw(t, s + 1, e));
    return true;
  }
  if ((first == "delete" && second != "from") || (first == "insert" && second != "into")) {
    out.push_back(first + (first == "delete" ? " from " : " into ") + Rw(t, f + 1, e));
    return true;
  }
  out.push_back(Rw(t, 0, e));
  return true;
}

std::string RewriteSelect(const Toks& toks) { return Rw(toks, 0, toks.size()); }

std::string CodePageText(const std::string& utf8) {
  std::string bmp;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xF8) == 0xF0 && i + 3 < utf8.size()) {
      bmp += "??";  // one per UTF-16 unit of the pair
      i += 3;
    } else {
      bmp += utf8[i];
    }
  }
  return platform::Cp936ToUtf8(platform::Utf8ToCp936(bmp));
}

}  // namespace vqodbc
