// What one upload page holds: the rows of a window as JSON for an update or a delete pass, the
// member-points page, and the field hook that changes single values on their way into a page.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <variant>

#include "engine/AppObjectsUtil.h"
#include "engine/AppProductUtil.h"
#include "engine/AppSecretsUtil.h"
#include "engine/AppServiceUtil.h"
#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/JSONHelperUtil.h"
#include "foundation/JsonWriter.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibTextTrim.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"

namespace tessaly {
namespace {

[[nodiscard]] int FieldOf(const IVqDataset& aDataset, const std::string& aName) {
  for (int field = 0; field < aDataset.FieldCount(); ++field)
    if (platform::SameText(aDataset.FieldName(field), aName)) return field;
  return -1;
}

// The points rounded to four decimals, then shown with two ("#0.00"): both steps on whole
// ten-thousandths, so that 1.005 shows as 1.01 and not as whatever its binary form rounds to.
[[nodiscard]] std::string PointsText(double aPoints) {
  const long long tenThousandths = std::llrint(aPoints * 10000.0);  // ties to even
  const long long magnitude = std::llabs(tenThousandths);
  const long long cents = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
  std::string text = std::to_string(cents / 100) + "." + (cents % 100 < 10 ? "0" : "") + std::to_string(cents % 100);
  return tenThousandths < 0 && cents != 0 ? "-" + text : text;
}

// The file name part of a path, after its last '\' or '/'.
[[nodiscard]] std::string FileNamePart(const std::string& aPath) {
  const std::size_t cut = aPath.find_last_of("\\/");
  return cut == std::string::npos ? aPath : aPath.substr(cut + 1);
}

// The tables whose fields the field hook may change; for every other table it changes nothing,
// and its pages are written without it.
[[nodiscard]] bool HasFieldRules(const std::string& aTransTable) {
  return platform::SameText(aTransTable, "bi_branch") || platform::SameText(aTransTable, "sys_oper") ||
         platform::SameText(aTransTable, "bi_pic");
}

}  // namespace

bool TUploadWorker::PageJSON(const TTransRow& aRow, bool aIsDelete, int aFirst, int aCount, std::string& aText,
                             TVipChanges& aCachePending) {
  const TOnDatasetFiledToJSON hook =
      HasFieldRules(aRow.TransTable) ? TOnDatasetFiledToJSON(&TUploadWorker::DoFieldToJSON) : TOnDatasetFiledToJSON();
  if (!aIsDelete) {
    if (platform::SameText(aRow.TransTable, "vipintegral"))
      return VipIntegralToJSON(aRow.TransTable, aFirst, aCount, aText, aCachePending);
    return TJSONHelper::Dataset2JSON(aRow.TransTable, qryData, aFirst, aCount, aText, hook);
  }
  std::string rows;
  if (!TJSONHelper::Dataset2JSONArry(aRow.TransTable, qryData, aFirst, aCount, rows, hook)) {
    aText = rows;
    return false;
  }
  TSysDelete record;
  record.softid = AppVar->SoftId.v();
  record.tab_id = aRow.TransTable;
  record.tab_json = rows;
  aText = "{\"sys_delete\":[" + TJSONHelper::Obj2JSON(record) + "]}";
  return true;
}

bool TUploadWorker::VipIntegralToJSON(const std::string& aTransTable, int aFirst, int aCount, std::string& aText,
                                      TVipChanges& aCachePending) {
  aCachePending.clear();
  try {
    // A missing column makes the first read throw, which fails the page.
    const int softField = FieldOf(qryData, "softid");
    const int vipField = FieldOf(qryData, "vip_no");
    const int pointsField = FieldOf(qryData, "vip_integral");
    std::string items;
    const int end = std::min(aFirst + aCount, qryData.RecordCount());
    for (int row = aFirst; row < end; ++row) {
      qryData.MoveToRow(row);
      const std::string vipNo = qryData.AsString(vipField);
      const std::string points = PointsText(qryData.IsNull(pointsField) ? 0.0 : qryData.AsDouble(pointsField));
      // A member seen earlier in this page counts with the points it has there.
      std::string known;
      bool isKnown = false;
      for (const auto& [no, value] : aCachePending)
        if (platform::SameText(no, vipNo)) {
          known = value;
          isKnown = true;
        }
      if (!isKnown) {
        const int index = AppVar->VipIntegralList.GetId(vipNo);
        isKnown = index >= 0;
        if (isKnown) known = AppVar->VipIntegralList.GetValue(index);
      }
      if (isKnown && platform::SameText(known, points)) continue;
      aCachePending.emplace_back(vipNo, points);
      if (!items.empty()) items += ",";
      items += "{\"softid\":" + qryData.AsString(softField) + ",\"vip_no\":" + JsonQuote(vipNo) +
               ",\"vip_integral\":" + points + "}";
    }
    if (aCachePending.empty()) {
      aText = kNoPointsChange;
      return false;
    }
    aText = "{" + JsonQuote(aTransTable) + ":[" + items + "]}";
    return true;
  } catch (const std::exception& e) {
    aCachePending.clear();
    aText = std::string("会员数据集转换JSON组出错,") + e.what();
    return false;
  }
}

void TUploadWorker::ApplyVipIntegral(const TVipChanges& aChanges) {
  if (aChanges.empty()) return;
  for (const auto& [vipNo, points] : aChanges) {
    if (AppVar->VipIntegralList.GetId(vipNo) >= 0)
      AppVar->VipIntegralList.Update(vipNo, points);
    else
      AppVar->VipIntegralList.Add(vipNo, points);
  }
  // Saved at once: points sent and then forgotten by a restart would not be sent again when
  // they return to the value in an older file.
  TSPfApp::SaveVipIntegral(AppVar->SoftId.v());
}

void TUploadWorker::DoFieldToJSON(IVqDataset& aDataset, const std::string& aTableName, const std::string& aFieldName,
                                  TVqVariant& aValue) {
  std::string* text = std::get_if<std::string>(&aValue);
  if (!text) return;
  if (platform::SameText(aTableName, "bi_branch")) {
    if (platform::SameText(aFieldName, "branch_no")) *text = TrimControls(*text);
    return;
  }
  if (platform::SameText(aTableName, "sys_oper")) {
    if (!platform::SameText(aFieldName, "oper_pw") || text->empty()) return;
    // These products store operator passwords as 32-character digests already.
    if (platform::Utf16Length(*text) == 32 && IsChangeTrackingProduct(AppVar->SoftVer)) {
      *text = platform::AsciiLower(*text);
      return;
    }
    *text = OperPwDigest(TvqLib::StrFoXOR(*text));
    return;
  }
  if (!platform::SameText(aTableName, "bi_pic")) return;
  if (platform::SameText(aFieldName, "pic_name")) {
    if (!text->empty()) *text = FileNamePart(*text);
    return;
  }
  if (!platform::SameText(aFieldName, "pic_data") || !text->empty()) return;
  const int nameField = FieldOf(aDataset, "pic_name");
  if (nameField < 0 || aDataset.IsNull(nameField)) return;
  const std::string name = TrimControls(aDataset.AsString(nameField));
  if (name.empty()) return;
  const std::string file = platform::HostPath(name);
  std::error_code ec;
  if (std::filesystem::is_regular_file(file, ec)) *text = TvqLib::GetImgBase64(file);
}

}  // namespace tessaly
