#include "TsqlParser.h"

#include "platform/TextCodec.h"

namespace vqodbc {
namespace {

bool OneOf(const std::string& w, std::initializer_list<std::string_view> words) {
  for (auto x : words)
    if (w == x) return true;
  return false;
}

// The name part of a Word or Quoted token, case kept.
std::string NamePart(const Token& t) { return t.kind == Tok::Quoted ? t.Name() : t.text; }

class Parser {
 public:
  explicit Parser(const std::vector<Token>& toks) : t_(toks) {}

  bool Run(std::vector<Node>& out, std::string& error) {
    const bool ok = ParseList(false, out);
    if (!ok) error = error_;
    return ok;
  }

 private:
  const Token* Peek() {
    while (pos_ < t_.size() && !t_[pos_].Significant()) ++pos_;
    return pos_ < t_.size() ? &t_[pos_] : nullptr;
  }

  bool Fail(const std::string& message) {
    error_ = message;
    return false;
  }

  bool FailNear() {
    const Token* k = Peek();
    if (k == nullptr) return Fail("Incorrect syntax near the end of the batch.");
    return Fail("Incorrect syntax near '" + k->text + "'.");
  }

  bool ParseList(bool inBlock, std::vector<Node>& out) {
    for (;;) {
      const Token* k = Peek();
      if (k == nullptr) return inBlock ? Fail("Incorrect syntax: BEGIN without END.") : true;
      if (k->IsPunct(';')) {
        ++pos_;
        continue;
      }
      if (k->Is("end")) return inBlock ? true : Fail("Incorrect syntax near the keyword 'end'.");
      if (k->Is("else")) return Fail("Incorrect syntax near the keyword 'else'.");
      Node n;
      if (!ParseStatement(n)) return false;
      out.push_back(std::move(n));
    }
  }

  bool ParseStatement(Node& n) {
    const Token* k = Peek();
    if (k == nullptr || k->IsPunct(';') || k->Is("end") || k->Is("else")) return FailNear();
    const std::size_t start = pos_;
    bool ok = true;
    if (k->Is("if")) {
      ok = ParseIf(n);
    } else if (k->Is("begin")) {
      ok = ParseBlock(n);
    } else if (k->Is("exec") || k->Is("execute")) {
      ok = ParseExec(n);
    } else if (!ParseModule(n)) {
      const std::size_t end = FindEnd(start);
      n.kind = Node::Kind::Simple;
      n.toks.assign(t_.begin() + static_cast<long>(start), t_.begin() + static_cast<long>(end));
      pos_ = end;
    }
    if (ok) n.text = platform::TrimBlanks(Join(t_, start, pos_));
    return ok;
  }

  bool ParseIf(Node& n) {
    ++pos_;
    n.kind = Node::Kind::If;
    const Token* k = Peek();
    if (k != nullptr && k->Is("not")) {
      n.negate = true;
      ++pos_;
      k = Peek();
    }
    if (k == nullptr || !k->Is("exists")) return Fail("The test driver supports only IF [NOT] EXISTS(...) conditions.");
    ++pos_;
    k = Peek();
    if (k == nullptr || !k->IsPunct('(')) return FailNear();
    const std::size_t open = pos_;
    int depth = 0;
    for (; pos_ < t_.size(); ++pos_) {
      if (t_[pos_].IsPunct('(')) ++depth;
      if (t_[pos_].IsPunct(')') && --depth == 0) break;
    }
    if (pos_ >= t_.size()) return Fail("Incorrect syntax: missing ')' after EXISTS.");
    n.toks.assign(t_.begin() + static_cast<long>(open + 1), t_.begin() + static_cast<long>(pos_));
    ++pos_;
    Node then;
    if (!ParseStatement(then)) return false;
    n.children.push_back(std::move(then));
    k = Peek();
    if (k != nullptr && k->Is("else")) {
      ++pos_;
      Node otherwise;
      if (!ParseStatement(otherwise)) return false;
      n.children.push_back(std::move(otherwise));
    }
    return true;
  }

  bool ParseBlock(Node& n) {
    ++pos_;
    const Token* k = Peek();
    if (k != nullptr && (k->Is("tran") || k->Is("transaction") || k->Is("try") || k->Is("catch")))
      return Fail("The test driver does not support BEGIN " + k->text + ".");
    n.kind = Node::Kind::Block;
    if (!ParseList(true, n.children)) return false;
    ++pos_;  // END
    return true;
  }

  // A name of up to four dotted parts; the last part is the object's name.
  bool ReadObjectName(std::string& name) {
    for (;;) {
      const Token* k = Peek();
      if (k == nullptr || (k->kind != Tok::Word && k->kind != Tok::Quoted)) return FailNear();
      name = NamePart(*k);
      ++pos_;
      if (pos_ < t_.size() && t_[pos_].IsPunct('.')) {
        ++pos_;
        continue;
      }
      return true;
    }
  }

  bool ParseExec(Node& n) {
    ++pos_;
    n.kind = Node::Kind::Exec;
    if (!ReadObjectName(n.name)) return false;
    const std::size_t end = FindEnd(pos_ - 1);
    if (!CheckExecArgs(pos_, end)) return false;
    n.args = platform::TrimBlanks(Join(t_, pos_, end));
    pos_ = end;
    return true;
  }

  // Arguments of an exec: values (a literal, a signed number, NULL, DEFAULT or a @variable, each
  // perhaps named "@p =" and marked OUTPUT) separated by commas; anything else is a syntax error.
  bool CheckExecArgs(std::size_t b, std::size_t e) {
    std::vector<const Token*> sig;
    for (std::size_t i = b; i < e; ++i)
      if (t_[i].Significant()) sig.push_back(&t_[i]);
    auto near = [&](std::size_t i) {
      return Fail(i < sig.size() ? "Incorrect syntax near '" + sig[i]->text + "'." : "Incorrect syntax near the end of the batch.");
    };
    auto variable = [](const Token* k) { return k->kind == Tok::Word && k->text.size() > 1 && k->text[0] == '@'; };
    std::size_t i = 0;
    while (i < sig.size()) {
      if (i + 1 < sig.size() && variable(sig[i]) && sig[i + 1]->IsPunct('=')) i += 2;
      if (i < sig.size() && (sig[i]->IsPunct('-') || sig[i]->IsPunct('+'))) ++i;
      if (i >= sig.size()) return near(i);
      const Token* v = sig[i];
      const bool value = v->kind == Tok::String || v->kind == Tok::Number || v->Is("null") || v->Is("default") ||
                         variable(v);
      if (!value) return near(i);
      ++i;
      if (i < sig.size() && (sig[i]->Is("output") || sig[i]->Is("out"))) ++i;
      if (i == sig.size()) return true;
      if (!sig[i]->IsPunct(',') || i + 1 == sig.size()) return near(i);
      ++i;
    }
    return true;
  }

  // create/alter of a view, procedure, function or trigger: the rest of the batch is its body,
  // as for SQL Server, where such a statement must be alone in its batch.
  bool ParseModule(Node& n) {
    const std::size_t save = pos_;
    const std::string verb = t_[pos_].Name();
    if (verb != "create" && verb != "alter") return false;
    ++pos_;
    const Token* k = Peek();
    if (k != nullptr && k->Is("or")) {
      ++pos_;
      k = Peek();
      if (k != nullptr && k->Is("alter")) ++pos_;
      k = Peek();
    }
    std::string type = k != nullptr ? k->Name() : "";
    if (type == "proc") type = "procedure";
    if (!OneOf(type, {"view", "procedure", "function", "trigger"})) {
      pos_ = save;
      return false;
    }
    ++pos_;
    n.kind = Node::Kind::Module;
    n.verb = verb;
    n.objectType = type;
    if (!ReadObjectName(n.name)) return false;
    std::size_t body = pos_;
    if (type == "view") {
      int depth = 0;
      for (; body < t_.size(); ++body) {
        if (t_[body].IsPunct('(')) ++depth;
        if (t_[body].IsPunct(')')) --depth;
        if (depth == 0 && t_[body].Is("as")) break;
      }
      if (body >= t_.size()) return Fail("Incorrect syntax: CREATE VIEW without AS.");
      ++body;
    }
    n.toks.assign(t_.begin() + static_cast<long>(body), t_.end());
    pos_ = t_.size();
    return true;
  }

  // Where the simple statement beginning at `start` ends: the index of the token that starts the
  // next statement (or ';', END, ELSE), or the end of the batch.
  std::size_t FindEnd(std::size_t start) const {
    const std::string first = t_[start].Name();
    int depth = 0;
    int caseDepth = 0;
    bool insertSelect = false;
    std::string prev = first;
    for (std::size_t i = start + 1; i < t_.size(); ++i) {
      const Token& tok = t_[i];
      if (!tok.Significant()) continue;
      if (tok.IsPunct('(')) ++depth;
      if (tok.IsPunct(')')) --depth;
      if (depth <= 0) {
        if (tok.IsPunct(';')) return i;
        if (tok.kind == Tok::Word) {
          const std::string w = tok.Name();
          if (w == "case") {
            ++caseDepth;
          } else if (w == "end") {
            if (caseDepth == 0) return i;
            --caseDepth;
          } else if (w == "values") {
            insertSelect = true;  // an insert with a values list takes no select after it
          } else if (caseDepth == 0 && StartsStatement(w, first, prev, insertSelect)) {
            return i;
          }
        }
      }
      prev = tok.kind == Tok::Word ? tok.Name() : tok.text;
    }
    return t_.size();
  }

  static bool StartsStatement(const std::string& w, const std::string& first, const std::string& prev,
                              bool& insertSelect) {
    if (OneOf(w, {"else", "begin", "exec", "execute", "create", "truncate"})) return true;
    if (w == "if") return !OneOf(prev, {"table", "index", "view", "trigger", "procedure", "function"});
    if (OneOf(w, {"insert", "update", "delete"})) return !OneOf(prev, {"on", "for", "after", "of", ","});
    if (w == "drop" || w == "alter") return first != "alter";
    if (w == "select") {
      if (OneOf(prev, {"union", "all", "except", "intersect", "("})) return false;
      if (first == "insert" && !insertSelect) {
        insertSelect = true;
        return false;
      }
      return true;
    }
    return false;
  }

  const std::vector<Token>& t_;
  std::size_t pos_ = 0;
  std::string error_;
};

}  // namespace

bool ParseBatch(std::string_view sql, std::vector<Node>& out, std::string& error) {
  out.clear();
  std::vector<Token> toks;
  if (!Lex(sql, toks, error)) return false;
  return Parser(toks).Run(out, error);
}

}  // namespace vqodbc
