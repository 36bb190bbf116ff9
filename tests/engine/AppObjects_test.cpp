#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "engine/AppObjectsUtil.h"
#include "engine/AppSvrSDK.h"
#include "foundation/JSONHelperUtil.h"
#include "foundation/VqRttiHelperUtil.h"

namespace tessaly {
namespace {

// "name:type,name:type..." of a record's property table.
std::string Table(const TVqObject& obj) {
  std::string out;
  for (const auto& p : obj.Properties()) out += (out.empty() ? "" : ",") + p.Name + ":" + p.TypeName;
  return out;
}

// Every record class lists the platform's members, with their types, in the platform's order.
TEST(AppObjects, PropertyTables) {
  struct Case {
    const TVqObject& obj;
    const char* className;
    const char* table;
  };
  const Case cases[] = {
      {AppObjectsUtil::TVqRespond{}, "TVqRespond", "bResult:Boolean,errMsg:string"},
      {AppSvrSDK::TVqRespond{}, "TVqRespond", "bResult:Boolean,errMsg:string"},
      {AppSvrSDK::TLoginRespond{}, "TLoginRespond", "bResult:Boolean,errMsg:string,oResult:string"},
      {TSysDelete{}, "TSysDelete", "softid:Integer,tab_id:string,tab_json:string"},
      {TPosMaster{}, "TPosMaster",
       "softid:Integer,sheet_no:string,sheet_type:string,sheet_source:string,branch_no:string,"
       "oper_date:string,oper_txt:string,deal_no:string,oper_id:string,jh_no:string,vip_no:string,"
       "org_amt:Double,real_amt:Double,pay_amt:Double,ml_amt:Double,ret_sheet:string,ret_flag:string,"
       "appr_flag:string,pos_memo:string,pos_frm:string,org_sheet:string,sect_no:string,desk_no:string,"
       "item_ver:Integer,pos_state:string,out_date:string,wx_openid:string,update_time:string"},
      {TPosDetail{}, "TPosDetail",
       "softid:Integer,sheet_no:string,sheet_sort:Integer,oper_date:string,item_no:string,input_bar:string,"
       "sell_way:string,unit_no:string,unit_pack:Double,sub_qty:Double,org_prc:Double,real_prc:Double,"
       "org_amt:Double,real_amt:Double,ml_amt:Double,add_amt:Double,round_amt:Double,spec_type:string,"
       "spec_sheet:string,vip_integral:Double,sale_man:string,power_id:string,cost_prc:Double,"
       "cost_amt:Double,sale_memo:string,is_itemcs:string,is_print:string,pack_no:Integer,"
       "item_size:string,color_no:string,cm_no:string"},
      {TPosPay{}, "TPosPay",
       "softid:Integer,sheet_no:string,sheet_sort:Integer,oper_date:string,pay_type:string,pay_way:string,"
       "card_no:string,pay_amt:Double,pay_memo:string,trade_no:string"},
      {TPosData{}, "TPosData", "pos_master:TPosMaster,pos_detail:TArray<TPosDetail>,pos_pay:TArray<TPosPay>"},
      {TPosResult{}, "TPosResult",
       "softid:Integer,last_change:Integer,ser_last_change:Integer,posResult:TArray<TPosData>"},
      {TPosRespond{}, "TPosRespond", "bResult:Boolean,errMsg:string,oResult:TPosResult"},
      {TPosResult2{}, "TPosResult2", "softid:Integer,update_time:string,wxposResult:TArray<TPosData>"},
      {TPosRespond2{}, "TPosRespond2", "bResult:Boolean,errMsg:string,oResult:TPosResult2"},
      {TVipInfo{}, "TVipInfo",
       "softid:Integer,vip_no:string,viptype_no:string,vip_name:string,vip_sex:string,vip_addr:string,"
       "vip_zip:string,vip_tel:string,vip_mobile:string,birth_date:string,birth_date2:string,"
       "vip_status:string,valid_flag:string,start_date:string,end_date:string,pub_branch:string,"
       "pub_date:string,vip_memo:string,py_code:string,viparea_no:string,data_source:string"},
      {TVipResult{}, "TVipResult", "softid:Integer,update_time:string,vipinfo:TArray<TVipInfo>"},
      {TVipRespond{}, "TVipRespond", "bResult:Boolean,errMsg:string,oResult:TVipResult"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className);
    EXPECT_STREQ(c.obj.ClassName(), c.className);
    EXPECT_EQ(Table(c.obj), c.table);
  }
  // The two reply bases are different classes: the pull replies cannot stand in for the client's.
  static_assert(!std::is_same_v<AppObjectsUtil::TVqRespond, AppSvrSDK::TVqRespond>);
  static_assert(std::is_base_of_v<AppObjectsUtil::TVqRespond, TPosRespond>);
  static_assert(!std::is_base_of_v<AppSvrSDK::TVqRespond, TPosRespond>);
}

// A full order reply reads into nested records: orders, their item and payment lines.
TEST(AppObjects, ReadsOrderReply) {
  const std::string reply =
      R"({"bResult":true,"errMsg":"","oResult":{"softid":12,"last_change":40,"ser_last_change":55,)"
      R"("posResult":[{"pos_master":{"softid":12,"sheet_no":"S1","real_amt":12.5,"item_ver":3,)"
      R"("oper_txt":"顾客备注"},"pos_detail":[{"sheet_no":"S1","sheet_sort":1,"sub_qty":2},)"
      R"({"sheet_no":"S1","sheet_sort":2,"sub_qty":1.5,"item_no":"0001"}],)"
      R"("pos_pay":[{"pay_way":"WX","pay_amt":12.5}]}]}})";
  TPosRespond r;
  std::string erro;
  ASSERT_TRUE(ReadVqObject(reply, r, erro)) << erro;
  EXPECT_TRUE(r.bResult);
  ASSERT_NE(r.oResult, nullptr);
  EXPECT_EQ(r.oResult->last_change, 40);
  EXPECT_EQ(r.oResult->ser_last_change, 55);
  ASSERT_EQ(r.oResult->posResult.size(), 1u);
  const TPosData& order = r.oResult->posResult[0];
  ASSERT_NE(order.pos_master, nullptr);
  EXPECT_EQ(order.pos_master->Get<"sheet_no">(), "S1");
  EXPECT_EQ(order.pos_master->Get<"real_amt">(), 12.5);
  EXPECT_EQ(order.pos_master->Get<"item_ver">(), 3);
  EXPECT_EQ(order.pos_master->Get<"oper_txt">(), "顾客备注");
  ASSERT_EQ(order.pos_detail.size(), 2u);
  EXPECT_EQ(order.pos_detail[1].Get<"sheet_sort">(), 2);
  EXPECT_EQ(order.pos_detail[1].Get<"sub_qty">(), 1.5);
  EXPECT_EQ(order.pos_detail[1].Get<"item_no">(), "0001");
  EXPECT_EQ(order.pos_detail[0].Get<"sub_qty">(), 2.0);  // an integer JSON number fits a number member
  ASSERT_EQ(order.pos_pay.size(), 1u);
  EXPECT_EQ(order.pos_pay[0].Get<"pay_way">(), "WX");
}

// Missing members leave nil, empty arrays and zero values; unknown members are ignored.
TEST(AppObjects, MissingAndUnknownMembers) {
  std::string erro;
  TPosRespond noResult;
  ASSERT_TRUE(ReadVqObject(R"({"bResult":false,"errMsg":"无数据","extra":{"x":[1,2]}})", noResult, erro)) << erro;
  EXPECT_EQ(noResult.oResult, nullptr);
  EXPECT_EQ(noResult.errMsg, "无数据");

  TPosRespond2 noLines;
  ASSERT_TRUE(ReadVqObject(R"({"bResult":true,"oResult":{"update_time":"2021-01-02 03:04:05",)"
                           R"("wxposResult":[{"pos_master":{"sheet_no":"W1","new_field":7}}]}})",
                           noLines, erro))
      << erro;
  ASSERT_NE(noLines.oResult, nullptr);
  EXPECT_EQ(noLines.oResult->update_time, "2021-01-02 03:04:05");
  ASSERT_EQ(noLines.oResult->wxposResult.size(), 1u);
  EXPECT_TRUE(noLines.oResult->wxposResult[0].pos_detail.empty());
  EXPECT_TRUE(noLines.oResult->wxposResult[0].pos_pay.empty());
  EXPECT_EQ(noLines.oResult->wxposResult[0].pos_master->Get<"real_amt">(), 0.0);

  TVipRespond noArray;
  ASSERT_TRUE(ReadVqObject(R"({"bResult":true,"oResult":{"softid":3}})", noArray, erro)) << erro;
  ASSERT_NE(noArray.oResult, nullptr);
  EXPECT_TRUE(noArray.oResult->vipinfo.empty());
  EXPECT_EQ(noArray.oResult->update_time, "");

  TVipRespond members;
  ASSERT_TRUE(
      ReadVqObject(R"({"oResult":{"vipinfo":[{"vip_no":"V1","vip_name":"张三"},{"vip_no":"V2"}]}})", members, erro))
      << erro;
  ASSERT_EQ(members.oResult->vipinfo.size(), 2u);
  EXPECT_EQ(members.oResult->vipinfo[0].Get<"vip_name">(), "张三");
  EXPECT_FALSE(members.bResult);
}

// A reply that is no object, or a member of another type than its property, fails to read.
TEST(AppObjects, ReadingFailsOnMisfits) {
  const char* const replies[] = {
      "",
      "[]",
      "null",
      "<html>busy</html>",
      R"({"bResult":"true"})",
      R"({"errMsg":5})",
      R"({"oResult":[]})",
      R"({"oResult":{"softid":"12"}})",
      R"({"oResult":{"last_change":1.5}})",
      R"({"oResult":{"last_change":4294967296}})",
      R"({"oResult":{"posResult":{}}})",
      R"({"oResult":{"posResult":[1]}})",
      R"({"oResult":{"posResult":[{"pos_master":"S1"}]}})",
      R"({"oResult":{"posResult":[{"pos_detail":[{"sub_qty":"2"}]}]}})",
  };
  for (const char* reply : replies) {
    SCOPED_TRACE(reply);
    TPosRespond r;
    std::string erro;
    EXPECT_FALSE(ReadVqObject(reply, r, erro));
    EXPECT_FALSE(erro.empty());
  }
}

// The delete record is written as one object, members in declared order.
TEST(AppObjects, DeleteRecordJson) {
  TSysDelete del;
  del.softid = 5;
  del.tab_id = "bi_item";
  del.tab_json = "[]";
  EXPECT_EQ(TJSONHelper::Obj2JSON(del), R"({"softid":5,"tab_id":"bi_item","tab_json":"[]"})");
}

// The upsert of a stored record names one column per member, in declared order.
TEST(AppObjects, UpsertColumnsFollowDeclaredOrder) {
  TPosPay pay;
  pay.Set<"softid">(3);
  pay.Set<"sheet_no">("S1");
  pay.Set<"sheet_sort">(1);
  pay.Set<"pay_amt">(9.5);
  std::string erro;
  const std::string sql = TVqRttiHelper::GetAdpterSql(pay, "spf_t_pos_pay", "softid,sheet_no,sheet_sort", erro);
  ASSERT_FALSE(sql.empty()) << erro;
  const std::string insert = sql.substr(sql.rfind("insert"));
  std::size_t at = 0;
  for (const auto& p : pay.Properties()) {
    SCOPED_TRACE(p.Name);
    const std::size_t found = insert.find(p.Name, at);
    ASSERT_NE(found, std::string::npos);
    at = found + p.Name.size();
  }
}

}  // namespace
}  // namespace tessaly
