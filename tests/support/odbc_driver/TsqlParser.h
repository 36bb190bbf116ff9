#pragma once
// Cuts a T-SQL batch into its statements. T-SQL needs no separator between statements, so a new
// statement starts at a statement keyword on the outer level (insert, update, delete, select,
// if, else, begin, end, exec, create, alter, drop, truncate) as well as at ';'. The control-flow
// forms become nodes; every other statement stays as its tokens for the rewriter.
#include <string>
#include <string_view>
#include <vector>

#include "TsqlLexer.h"

namespace vqodbc {

struct Node {
  enum class Kind {
    Simple,  // one statement: `toks`
    If,      // if [not] exists(`toks`) children[0] [else children[1]]
    Block,   // begin children... end
    Exec,    // exec `name` `args`
    Module,  // create/alter (`verb`) of a view, procedure, function or trigger (`objectType`) `name`;
             // `toks` is the text after the name (for a view, the select after AS)
  };
  Kind kind = Kind::Simple;
  std::vector<Token> toks;
  bool negate = false;
  std::vector<Node> children;
  std::string name;
  std::string args;
  std::string verb;
  std::string objectType;
  std::string text;  // the statement's own text as received
};

// False with `error` (a syntax message) when the batch does not parse; nothing then runs.
[[nodiscard]] bool ParseBatch(std::string_view sql, std::vector<Node>& out, std::string& error);

}  // namespace vqodbc
