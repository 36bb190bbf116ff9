#pragma once
// TTransHelper fills the placeholders of the catalogue's SQL templates: the upload cycle runs
// the filled text on the uploader's thread, the transfer-query dialog on the UI thread.
// Reads SoftId through its holder and the plain fields SoftVer, SoftVerName, SvrHost and
// SvrDBName of AppVar (which change only while the engine is stopped). Never fails.
#include <cstdint>
#include <string>

#include "foundation/DateTime.h"

namespace tessaly {

class TTransHelper {
 public:
  TTransHelper() = delete;

  // Every occurrence of each placeholder, exactly as written, is replaced in this order:
  // :softid, :branch_no, :soft_ver, :soft_name, :last_change, :last_date, :pc_url, :pc_key, :pc_db.
  // Texts enter as SQL literals; placeholders the template lacks are left alone.
  [[nodiscard]] static std::string UploadSqlVarReplace(const std::string& aSql, const std::string& aBranchNo,
                                                       std::int64_t aLastChange, TDateTime aLastDate);
};

}  // namespace tessaly
