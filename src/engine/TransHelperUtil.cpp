#include "engine/TransHelperUtil.h"

#include "engine/AppVarUtil.h"
#include "engine/SqlLiterals.h"

namespace tessaly {
namespace {

// The member-service key that the back-office templates hand to the member service.
constexpr const char* kMemberServiceKey = "7290";

// Replaces every occurrence left to right; replaced text is not searched again.
void ReplaceAll(std::string& aText, const std::string& aFrom, const std::string& aTo) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = aText.find(aFrom); at != std::string::npos; at = aText.find(aFrom, from)) {
    out.append(aText, from, at - from);
    out += aTo;
    from = at + aFrom.size();
  }
  out.append(aText, from, std::string::npos);
  aText = std::move(out);
}

}  // namespace

std::string TTransHelper::UploadSqlVarReplace(const std::string& aSql, const std::string& aBranchNo,
                                              std::int64_t aLastChange, TDateTime aLastDate) {
  std::string sql = aSql;
  ReplaceAll(sql, ":softid", std::to_string(AppVar->SoftId.v()));
  ReplaceAll(sql, ":branch_no", SqlQuoted(aBranchNo));
  ReplaceAll(sql, ":soft_ver", AppVar->SoftVer);
  ReplaceAll(sql, ":soft_name", SqlQuoted(AppVar->SoftVerName));
  ReplaceAll(sql, ":last_change", std::to_string(aLastChange));
  ReplaceAll(sql, ":last_date", SqlQuoted(FormatDateTime("yyyy-MM-dd hh:mm:ss.zzz", aLastDate)));
  ReplaceAll(sql, ":pc_url", SqlQuoted("http://" + AppVar->SvrHost + ":5555/vqshop"));
  ReplaceAll(sql, ":pc_key", SqlQuoted(kMemberServiceKey));
  ReplaceAll(sql, ":pc_db", SqlQuoted(AppVar->SvrDBName));
  return sql;
}

}  // namespace tessaly
