#include "support/FullPullPage.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "engine/AppObjectsUtil.h"

namespace vqtest {
namespace {

using namespace tessaly;
using namespace tessaly::AppObjectsUtil;

constexpr const char* kOrderHead = "{\"pos_wxapp_master\":";

using TNames = std::initializer_list<std::string_view>;

// The scalar members of `record` named in `only` (every one when it is empty), with values of a
// real page's lengths; texts not named in `filled` (when it is not empty) are empty.
void AppendRecord(std::string& out, const TVqObject& record, const std::string& sheet, int sort, TNames only,
                  TNames filled = {}) {
  out += '{';
  bool first = true;
  for (const auto& p : record.Properties()) {
    if (p.Kind == TVqPropKind::Record || p.Kind == TVqPropKind::RecordArray) continue;
    if (only.size() > 0 && std::find(only.begin(), only.end(), p.Name) == only.end()) continue;
    if (!first) out += ',';
    first = false;
    out += '"' + p.Name + "\":";
    switch (p.Kind) {
      case TVqPropKind::Integer:
        out += p.Name == "softid" ? "5" : p.Name == "sheet_sort" ? std::to_string(sort) : "1";
        break;
      case TVqPropKind::Double:
        out += "12.5";
        break;
      case TVqPropKind::Boolean:
        out += "false";
        break;
      case TVqPropKind::DateTime:
        out += "\"2020-07-17 08:00:00\"";
        break;
      default:
        if (filled.size() > 0 && std::find(filled.begin(), filled.end(), p.Name) == filled.end())
          out += "\"\"";
        else if (p.Name == "sheet_no")
          out += '"' + sheet + '"';
        else if (p.Name.find("date") != std::string::npos)
          out += "\"2020-07-17 08:00:00\"";
        else if (p.Name.find("name") != std::string::npos)
          out += "\"商品名称" + std::to_string(sort) + '"';
        else
          out += "\"A" + std::to_string(1000000 + sort) + '"';
        break;
    }
  }
  out += '}';
}

// `lines` records of `record` as the array member `name`.
void AppendLines(std::string& out, const char* name, const TVqObject& record, const std::string& sheet, int lines,
                 TNames only, TNames filled = {}) {
  out += ",\"";
  out += name;
  out += "\":[";
  for (int i = 1; i <= lines; ++i) {
    if (i > 1) out += ',';
    AppendRecord(out, record, sheet, i, only, filled);
  }
  out += ']';
}

}  // namespace

std::string AppletPage(TOrderShape shape, std::size_t minBytes) {
  std::string out =
      "{\"bResult\":true,\"errMsg\":\"\",\"oResult\":{\"softid\":5,"
      "\"update_time\":\"2020-07-17 09:00:00\",\"wxposResult\":[";
  const TPosMaster master;
  const TPosDetail detail;
  const TPosPay pay;
  for (int n = 0; out.size() < minBytes; ++n) {
    const std::string sheet = "WX" + std::to_string(10000000 + n);
    if (n > 0) out += ',';
    out += kOrderHead;
    switch (shape) {
      case TOrderShape::Full:
        AppendRecord(out, master, sheet, 0, {});
        AppendLines(out, "pos_wxapp_detail", detail, sheet, 3, {});
        AppendLines(out, "pos_wxapp_pay", pay, sheet, 3, {});
        break;
      case TOrderShape::Typical:
        AppendRecord(
            out, master, sheet, 0, {},
            {"sheet_no", "sheet_type", "branch_no", "oper_date", "oper_id", "pos_state", "wx_openid", "update_time"});
        AppendLines(out, "pos_wxapp_detail", detail, sheet, 2, {},
                    {"sheet_no", "oper_date", "item_no", "input_bar", "unit_no"});
        AppendLines(out, "pos_wxapp_pay", pay, sheet, 1, {}, {"sheet_no", "oper_date", "pay_way", "trade_no"});
        break;
      case TOrderShape::Small:
        AppendRecord(out, master, sheet, 0, {"softid", "sheet_no", "oper_date", "real_amt"});
        AppendLines(out, "pos_wxapp_detail", detail, sheet, 1,
                    {"softid", "sheet_no", "sheet_sort", "item_no", "sub_qty", "real_prc"});
        AppendLines(out, "pos_wxapp_pay", pay, sheet, 1, {"softid", "sheet_no", "sheet_sort", "pay_way", "pay_amt"});
        break;
      case TOrderShape::SheetOnly:
        AppendRecord(out, master, sheet, 0, {"sheet_no"});
        break;
    }
    out += '}';
  }
  out += "]}}";
  return out;
}

std::string FullAppletPage(std::size_t minBytes) { return AppletPage(TOrderShape::Full, minBytes); }

std::size_t FullAppletOrders(const std::string& page) {
  std::size_t n = 0;
  for (std::size_t at = page.find(kOrderHead); at != std::string::npos; at = page.find(kOrderHead, at + 1)) ++n;
  return n;
}

}  // namespace vqtest
