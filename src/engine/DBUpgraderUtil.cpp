// TAppDM's schema upgrader: runs the scripts of the upgrade packages (SQLite files in the
// program's data folder) that are newer than the stamp stored in the back-office database.
#include "engine/DBUpgraderUtil.h"

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>

#include "engine/AppDMText.h"
#include "engine/AppDMUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqLibUtil.h"
#include "platform/TextCodec.h"

namespace tessaly {

using platform::SameText;
using platform::TrimBlanks;

std::int32_t UpVerToInt(const std::string& aStamp) {
  const std::string t = TrimBlanks(aStamp);
  if (t.empty()) return 0;
  return StrToIntDef(platform::Utf16Mid(t, 4, 6) + platform::Utf16Mid(t, 11, 4), 0);
}

std::vector<std::string> SplitSqlBatches(const std::string& aScript) {
  std::vector<std::string> batches;
  std::string current;
  const auto flush = [&] {
    std::string batch = TrimBlanks(current);
    if (!batch.empty()) batches.push_back(std::move(batch));
    current.clear();
  };
  // A line ends at CR LF, LF or a CR alone; a separator line is GO with blanks around it and
  // perhaps a "--" comment after it.
  std::size_t pos = 0;
  while (pos < aScript.size()) {
    std::size_t end = aScript.find_first_of("\r\n", pos);
    end = end == std::string::npos ? aScript.size() : end + (aScript.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    const std::string line = aScript.substr(pos, end - pos);
    const std::string code = line.substr(0, line.find("--"));
    if (SameText(TrimBlanks(code), "go"))
      flush();
    else
      current += line;
    pos = end;
  }
  flush();
  return batches;
}

std::string UpgradeObjectName(const std::string& aScript) {
  std::string head;
  for (char c : platform::Utf16Mid(aScript, 0, 100)) {
    if (c == '\n') continue;
    head += c == '\r' ? ' ' : c;
  }
  const std::size_t blank = head.find(' ');
  if (blank == std::string::npos) return {};
  std::string name = head.substr(0, blank);
  const std::size_t paren = name.find('(');
  return paren == std::string::npos ? name : name.substr(0, paren);
}

bool TAppDM::DBUpgrader(std::string& aErro) {
  if (!UpgradeAccountSet(kCommonUpgradePackage, aErro)) return false;
  if (AppVar->SoftVer.empty()) return true;
  return UpgradeAccountSet(AppVar->SoftVer, aErro);
}

bool TAppDM::UpgradeAccountSet(const std::string& aName, std::string& aErro) {
  Log("正在检查“" + aName + "”升级...");
  // The name comes from the settings file and becomes a file name: only a product code of five
  // digits may, or "..", slashes and the like would point outside data/.
  if (aName.size() != 5 || !std::all_of(aName.begin(), aName.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    aErro = "产品编号无效：" + aName;
    return false;
  }
  const std::string path = TvqLib::GetCurrPath() + "data/" + aName + ".dat";
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    aErro = "数据升级文件不存在：" + path;
    return AppVar->SoftModel == 3;
  }
  if (!SQLiteConn(aErro, path)) return false;

  std::string reason;
  if (!InitSysTable(reason)) {
    aErro = "升级时初始化参数表失败，" + reason;
    Log(aErro, true);
  }
  const std::string old = VarToStr(GetSysParam("DBLastUpdateVer", std::string()));
  const std::int32_t threshold = UpVerToInt(old);

  TDbQuery qry;
  if (!SqlOpen(reason, qry, "select * from T_UPList where 1=1 order by i_UpOrderNo", &FSqliteConn)) {
    aErro = "查询“" + aName + "”升级脚本失败：" + reason;
    return false;
  }
  constexpr std::array<const char*, 5> kColumns{"s_Finally_UpTime", "s_UpFileNM", "s_UpObject", "s_UpType", "m_UpTxt"};
  std::array<int, 5> col{};
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    col[i] = qry.FieldIndex(kColumns[i]);
    if (col[i] < 0) {
      aErro = "升级脚本表“" + aName + "”缺少列：" + kColumns[i];
      return false;
    }
  }
  Log("帐套“" + aName + "”当前版本：" + old + "...");

  std::string last = old;
  bool ok = true;
  try {
    for (; !qry.Eof(); qry.Next()) {
      const std::string stamp = qry.AsString(col[0]);
      if (UpVerToInt(stamp) <= threshold) continue;
      const std::string object = qry.AsString(col[2]);
      const std::string script = qry.AsString(col[4]);
      Log("正在升级“" + qry.AsString(col[1]) + "”“" + object + "”...");
      if (!UpgradeObject(qry.AsString(col[3]), script, object, aErro)) {
        Log("升级失败：" + aErro + "\r\n" + script);
        ok = false;
        break;
      }
      last = stamp;
    }
  } catch (const std::exception& e) {
    aErro = "读取“" + aName + "”升级脚本失败：" + e.what();
    ok = false;
  }

  if (ok && !SameText(aName, kCommonUpgradePackage) && !SameText(last, old)) {
    if (SetSysParam(reason, "DBLastUpdateVer", last, "数据库升级版本"))
      Log("升级成功：" + aName + "，原版本：" + old + "，最新版本：" + last);
    else
      aErro = "保存升级版本参数失败，" + reason;
  }
  if (SameText(last, old)) Log("无需升级：" + aName + "，版本：" + old);
  return ok;
}

bool TAppDM::UpgradeObject(const std::string& aType, const std::string& aScript, const std::string& aObject,
                           std::string& aErro) {
  if (SameText(aType, "TB")) return UpgradeTable(aScript, aObject, aErro);
  if (SameText(aType, "VW")) return UpgradeView(aScript, aObject, aErro);
  if (SameText(aType, "FN")) return UpgradeFunction(aScript, aObject, aErro);
  if (SameText(aType, "PR")) return UpgradeProcedure(aScript, aObject, aErro);
  if (SameText(aType, "TG")) return UpgradeTrigger(aScript, aObject, aErro);
  return UpgradeScript(aScript, aObject, aErro);
}

bool TAppDM::RunBatches(const std::string& aScript, std::string& aErro) {
  for (const std::string& batch : SplitSqlBatches(aScript))
    if (!SqlExec(aErro, batch)) return false;
  return true;
}

bool TAppDM::UpgradeTable(const std::string& aScript, const std::string& /*aObject*/, std::string& aErro) {
  std::string reason;
  if (RunBatches(aScript, reason)) return true;
  aErro = "升级数据库表失败：" + reason;
  return false;
}

bool TAppDM::UpgradeScript(const std::string& aScript, const std::string& /*aObject*/, std::string& aErro) {
  std::string reason;
  if (RunBatches(aScript, reason)) return true;
  aErro = "升级数据库失败：" + reason;
  return false;
}

bool TAppDM::UpgradeModule(const std::string& aKind, const std::string& aScript, std::string& aErro) {
  const std::string t = TrimBlanks(aScript);
  std::string reason;
  const bool exists = SqlExists("select 1 from sysobjects where name=" + SqlQuoted(UpgradeObjectName(t)), reason);
  return SqlExec(aErro, (exists ? "alter " : "create ") + aKind + " " + t);
}

bool TAppDM::UpgradeView(const std::string& aScript, const std::string& /*aObject*/, std::string& aErro) {
  std::string reason;
  if (UpgradeModule("view", aScript, reason)) return true;
  aErro = "升级数据库视图失败：" + reason;
  return false;
}

bool TAppDM::UpgradeFunction(const std::string& aScript, const std::string& /*aObject*/, std::string& aErro) {
  std::string reason;
  if (UpgradeModule("function", aScript, reason)) return true;
  aErro = "升级数据库函数失败：" + reason;
  return false;
}

bool TAppDM::UpgradeProcedure(const std::string& aScript, const std::string& aObject, std::string& aErro) {
  std::string reason;
  if (UpgradeModule("procedure", aScript, reason)) return true;
  aErro = "升级过程“" + aObject + "”失败：" + reason;
  return false;
}

bool TAppDM::UpgradeTrigger(const std::string& aScript, const std::string& aObject, std::string& aErro) {
  std::string reason;
  if (UpgradeModule("trigger", aScript, reason)) return true;
  aErro = "升级触发器“" + aObject + "”失败：" + reason;
  return false;
}

}  // namespace tessaly
