#include "support/FullPullPage.h"

#include "engine/AppObjectsUtil.h"

namespace vqtest {
namespace {

using namespace tessaly;
using namespace tessaly::AppObjectsUtil;

constexpr int kLines = 3;
constexpr const char* kOrderHead = "{\"pos_wxapp_master\":";

// Every scalar member of `record` with a value of a real page's length.
void AppendRecord(std::string& out, const TVqObject& record, const std::string& sheet, int sort) {
  out += '{';
  bool first = true;
  for (const auto& p : record.Properties()) {
    if (p.Kind == TVqPropKind::Record || p.Kind == TVqPropKind::RecordArray) continue;
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
        if (p.Name == "sheet_no")
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

}  // namespace

std::string FullAppletPage(std::size_t minBytes) {
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
    AppendRecord(out, master, sheet, 0);
    out += ",\"pos_wxapp_detail\":[";
    for (int i = 1; i <= kLines; ++i) {
      if (i > 1) out += ',';
      AppendRecord(out, detail, sheet, i);
    }
    out += "],\"pos_wxapp_pay\":[";
    for (int i = 1; i <= kLines; ++i) {
      if (i > 1) out += ',';
      AppendRecord(out, pay, sheet, i);
    }
    out += "]}";
  }
  out += "]}}";
  return out;
}

std::size_t FullAppletOrders(const std::string& page) {
  std::size_t n = 0;
  for (std::size_t at = page.find(kOrderHead); at != std::string::npos; at = page.find(kOrderHead, at + 1)) ++n;
  return n;
}

}  // namespace vqtest
