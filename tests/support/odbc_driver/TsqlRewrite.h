#pragma once
// Turns one T-SQL statement (tokens from the parser) into the SQLite statements that do its work.
//
// Expressions: N'..' -> '..'; [name] -> "name"; dbo.x (tables) -> x; dbo.f(args) -> the scalar
// stand-in vq_dbo_call('f', args); isnull( -> ifnull(; @@identity, @@rowcount; table hints
// with (nolock) and friends dropped; select [distinct] top N / top (N) -> limit N at the end of
// that select; convert(type, x[, style]) and cast(x as type) for character, integer, decimal and
// datetime types (char types cut to their length, 30 by default; datetime normalised to
// "yyyy-MM-dd hh:mm:ss.zzz"); `delete t` -> `delete from t`; `insert t` -> `insert into t`;
// `truncate table t` -> `delete from t`. getdate(), len() and CHANGE_TRACKING_CURRENT_VERSION()
// are SQL functions of the session and need no rewrite.
//
// Tables: create table with T-SQL types (bracketed or not, varchar(max) included), identity
// columns (become the rowid key; a separate primary key turns into a unique constraint),
// defaults (getdate() becomes the local clock), collate, clustered/nonclustered and ON [filegroup]
// dropped; text columns get COLLATE NOCASE, as the back-office database compares text without case;
// datetime columns get triggers that store every written value as "yyyy-MM-dd hh:mm:ss.zzz", so
// text order is time order. alter table t add <column>[, <column>...].
#include <string>
#include <vector>

#include "TsqlLexer.h"

namespace vqodbc {

// Name prefixes of the constraints that hold what a column can take (see DiagFromDb).
inline constexpr const char* kFitLength = "vq_fit_len_";
inline constexpr const char* kFitInt = "vq_fit_int_";
inline constexpr const char* kFitNumber = "vq_fit_num_";
inline constexpr const char* kFitDate = "vq_fit_date_";

// False with `error` for a form the driver does not run.
[[nodiscard]] bool RewriteStatement(const std::vector<Token>& toks, std::vector<std::string>& out, std::string& error);

// The expression rewrites alone, for a select (an EXISTS condition or a view body).
[[nodiscard]] std::string RewriteSelect(const std::vector<Token>& toks);

// Text as the server keeps it in code page 936 (a varchar column, a literal without N): each
// character the code page cannot hold becomes '?', one per UTF-16 unit.
[[nodiscard]] std::string CodePageText(const std::string& utf8);

}  // namespace vqodbc
