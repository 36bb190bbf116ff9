#pragma once
// Replies of the platform's pull endpoints as the fake platform server sends them: orders of
// the self-service checkout (DownloadPos.ashx) and of the mini-program (wxDownloadPos.ashx,
// action=pos), and new members (wxDownloadPos.ashx, action=vipinfo).
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace vqtest {

inline constexpr const char* kPosPath = "DownloadPos.ashx";
inline constexpr const char* kWxPath = "wxDownloadPos.ashx";

// One order as the platform sends it.
struct OrderSpec {
  std::string sheet;
  std::string operDate = "2020-07-17 08:00:00";
  int softid = 5;
  int lines = 1;        // item lines, and as many payment lines
  bool header = true;   // false: the order comes without its header member
  std::string memo;     // pos_memo of the header

  OrderSpec& Date(std::string d) { operDate = std::move(d); return *this; }
  OrderSpec& Soft(int id) { softid = id; return *this; }
  OrderSpec& Lines(int n) { lines = n; return *this; }
  OrderSpec& NoHeader() { header = false; return *this; }
  OrderSpec& Memo(std::string m) { memo = std::move(m); return *this; }
};

inline OrderSpec Order(std::string sheet) {
  OrderSpec o;
  o.sheet = std::move(sheet);
  return o;
}

// The members of an order under the names the endpoint uses ("pos_" or "pos_wxapp_").
inline nlohmann::ordered_json OrderJson(const OrderSpec& o, const std::string& prefix = "pos_") {
  nlohmann::ordered_json order = nlohmann::ordered_json::object();
  if (o.header)
    order[prefix + "master"] = {{"softid", o.softid}, {"sheet_no", o.sheet},  {"sheet_type", "S"},
                                {"oper_date", o.operDate}, {"real_amt", 12.5}, {"pos_memo", o.memo},
                                {"pos_state", "1"}};
  order[prefix + "detail"] = nlohmann::ordered_json::array();
  order[prefix + "pay"] = nlohmann::ordered_json::array();
  for (int i = 1; i <= o.lines; ++i) {
    order[prefix + "detail"].push_back(
        {{"softid", o.softid}, {"sheet_no", o.sheet}, {"sheet_sort", i}, {"item_no", "I" + std::to_string(i)}});
    order[prefix + "pay"].push_back(
        {{"softid", o.softid}, {"sheet_no", o.sheet}, {"sheet_sort", i}, {"pay_way", "WX"}, {"pay_amt", 12.5}});
  }
  return order;
}

inline std::string PosReply(int lastChange, const std::vector<OrderSpec>& orders, int serLastChange = 100) {
  nlohmann::ordered_json reply = {{"bResult", true}, {"errMsg", ""}};
  nlohmann::ordered_json result = {{"softid", 5}, {"last_change", lastChange}, {"ser_last_change", serLastChange}};
  result["posResult"] = nlohmann::ordered_json::array();
  for (const auto& o : orders) result["posResult"].push_back(OrderJson(o));
  reply["oResult"] = result;
  return reply.dump();
}

inline std::string AppletReply(const std::string& updateTime, const std::vector<OrderSpec>& orders) {
  nlohmann::ordered_json reply = {{"bResult", true}, {"errMsg", ""}};
  nlohmann::ordered_json result = {{"softid", 5}, {"update_time", updateTime}};
  result["wxposResult"] = nlohmann::ordered_json::array();
  for (const auto& o : orders) result["wxposResult"].push_back(OrderJson(o, "pos_wxapp_"));
  reply["oResult"] = result;
  return reply.dump();
}

struct VipSpec {
  std::string vipNo;
  std::string name;
  int softid = 5;
};

inline VipSpec Vip(std::string vipNo, std::string name) {
  VipSpec v;
  v.vipNo = std::move(vipNo);
  v.name = std::move(name);
  return v;
}

inline std::string VipReply(const std::string& updateTime, const std::vector<VipSpec>& members) {
  nlohmann::ordered_json reply = {{"bResult", true}, {"errMsg", ""}};
  nlohmann::ordered_json result = {{"softid", 5}, {"update_time", updateTime}};
  result["vipinfo"] = nlohmann::ordered_json::array();
  for (const auto& m : members)
    result["vipinfo"].push_back(
        {{"softid", m.softid}, {"vip_no", m.vipNo}, {"vip_name", m.name}, {"vip_mobile", "13800000000"}});
  reply["oResult"] = result;
  return reply.dump();
}

}  // namespace vqtest
