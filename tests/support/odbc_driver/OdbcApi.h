#pragma once
// The ODBC headers, declared with default visibility: the library is built with hidden
// visibility, so exactly the SQL* entry points defined here become its exports.
#pragma GCC visibility push(default)
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
#pragma GCC visibility pop
