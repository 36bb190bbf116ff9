// Platform pull replies into the record classes, and each record read on into the upsert
// statement. Oracle: whatever the texts hold, the statement outside its quoted literals is the
// one built for the same record with harmless texts, so no value can break out of its quotes.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "engine/AppObjectsUtil.h"
#include "engine/AppPullReply.h"
#include "foundation/VqRttiHelperUtil.h"

namespace {

using namespace tessaly;
using namespace tessaly::AppObjectsUtil;

// The statement with each quoted literal ('' inside one is a quote) replaced by '?'; an
// unterminated literal is marked, so it can never match a well-formed statement.
// Literals may carry an N prefix (non-ASCII text) and be joined around NUL characters as
// ('..'+CHAR(0)+'..'); the skeleton folds each such literal to one '?'.
std::string Skeleton(const std::string& sql) {
  std::string out;
  for (std::size_t i = 0; i < sql.size(); ++i) {
    const bool prefix = sql[i] == 'N' && i + 1 < sql.size() && sql[i + 1] == '\'' &&
                        (out.empty() || !(std::isalnum(static_cast<unsigned char>(out.back())) || out.back() == '_'));
    if (prefix) continue;
    if (sql[i] != '\'') {
      out += sql[i];
      continue;
    }
    bool closed = false;
    for (++i; i < sql.size(); ++i) {
      if (sql[i] != '\'') continue;
      if (i + 1 < sql.size() && sql[i + 1] == '\'') {
        ++i;
        continue;
      }
      closed = true;
      break;
    }
    out += closed ? "'?'" : "'<unterminated>";
  }
  for (const char* join : {"'?'+CHAR(0)+'?'", "'?'+NCHAR(0)+'?'", "('?')"}) {
    for (std::size_t at; (at = out.find(join)) != std::string::npos;) out.replace(at, std::strlen(join), "'?'");
  }
  return out;
}

template <class Record>
void CheckUpsert(const Record& aRecord, const char* aTable, const char* aKeys) {
  std::string reason;
  const std::string sql = TVqRttiHelper::GetAdpterSql(aRecord, aTable, aKeys, reason);
  Record harmless = aRecord;
  for (const auto& p : harmless.Properties())
    if (p.Kind == TVqPropKind::String) p.Set(harmless, std::string("a"));
  std::string harmlessReason;
  const std::string expected = TVqRttiHelper::GetAdpterSql(harmless, aTable, aKeys, harmlessReason);
  FUZZ_CHECK(Skeleton(sql) == Skeleton(expected), sql + "\n" + expected);
}

void CheckOrders(const std::vector<TPosData>& aOrders) {
  for (const TPosData& order : aOrders) {
    if (order.pos_master) CheckUpsert(*order.pos_master, "spf_t_pos_master", "softid,sheet_no");
    for (const TPosDetail& line : order.pos_detail) CheckUpsert(line, "spf_t_pos_detail", "softid,sheet_no,sheet_sort");
    for (const TPosPay& pay : order.pos_pay) CheckUpsert(pay, "spf_t_pos_pay", "softid,sheet_no,sheet_sort");
  }
}

// Reads the reply as the pulls do. Oracle: a missing flag stands for each element of the record
// array and no more.
template <class Respond, class Records>
bool Read(const std::string& aReply, const char* aMember, bool aRename, Respond& aRespond, Records aRecords) {
  std::vector<bool> missing;
  std::string erro;
  if (!ReadPullReply(aReply, aMember, aRename, aRespond, missing, erro)) return false;
  if (aRespond.oResult && !missing.empty()) {
    const std::size_t records = aRecords(*aRespond.oResult).size();
    FUZZ_CHECK(missing.size() == records, std::to_string(missing.size()) + " flags for " + std::to_string(records));
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  vqfuzz::TFuzzInput in(aData, aSize);
  const std::uint8_t pull = in.Byte() % 3;
  const std::string reply = in.Rest();
  if (pull == 0) {
    TPosRespond respond;
    if (Read(
            reply, "posResult", false, respond, [](auto& r) -> auto& { return r.posResult; }) &&
        respond.oResult)
      CheckOrders(respond.oResult->posResult);
  } else if (pull == 1) {
    TPosRespond2 respond;
    if (Read(
            reply, "wxposResult", true, respond, [](auto& r) -> auto& { return r.wxposResult; }) &&
        respond.oResult)
      CheckOrders(respond.oResult->wxposResult);
  } else {
    TVipRespond respond;
    if (Read(
            reply, "vipinfo", false, respond, [](auto& r) -> auto& { return r.vipinfo; }) &&
        respond.oResult)
      for (const TVipInfo& vip : respond.oResult->vipinfo) CheckUpsert(vip, "spf_t_pos_vip_info", "softid,vip_no");
  }
  return 0;
}
