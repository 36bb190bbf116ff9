#pragma once
// The platform's records as the agent reads and writes them: the replies of the three pulls
// with their orders and members, and the delete record of the upload. Each class lists its
// members once (VqObjectUtil.h); that table serves ReadVqObject, TJSONHelper::Obj2JSON and
// TVqRttiHelper::GetAdpterSql. JSON member names are the property names, with their case.
// Orders' headers, item lines and payment lines and members hold only the members a reply gave
// them (VqSparseRecord.h: order.Get<"sheet_no">()), since a page may carry thousands of them
// with few members each.
//
// A record owns the records below it. Reading a reply: unknown members are ignored, missing
// ones leave 0, empty, false or nullptr (an empty array); a text that is not an object or a
// member of another type fails. The module also offers the settings-and-state object.
//
// The client module (AppSvrSDK.h) has a TVqRespond of its own with the same members; the two
// live in the namespaces AppObjectsUtil and AppSvrSDK.
#include <memory>
#include <string>
#include <vector>

#include "engine/AppVarUtil.h"
#include "foundation/VqObjectUtil.h"
#include "foundation/VqSparseRecord.h"

namespace tessaly {

namespace AppObjectsUtil {

// Base of the pull replies.
class TVqRespond : public TVqObject {
 public:
  bool bResult = false;
  std::string errMsg;
  VQ_RECORD(TVqRespond, VQ_PROP(bResult), VQ_PROP(errMsg))
};

}  // namespace AppObjectsUtil

// One page of deleted rows of a sync table; tab_json is the rows as a JSON array text.
class TSysDelete : public TVqObject {
 public:
  int softid = 0;
  std::string tab_id;
  std::string tab_json;
  VQ_RECORD(TSysDelete, VQ_PROP(softid), VQ_PROP(tab_id), VQ_PROP(tab_json))
};

// An order header (a row of spf_t_pos_master).
class TPosMaster : public TVqSparseRecord<TPosMaster> {
 public:
  static constexpr TVqMember kMembers[] = {
      {"softid", TVqPropKind::Integer},      {"sheet_no", TVqPropKind::String},  {"sheet_type", TVqPropKind::String},
      {"sheet_source", TVqPropKind::String}, {"branch_no", TVqPropKind::String}, {"oper_date", TVqPropKind::String},
      {"oper_txt", TVqPropKind::String},     {"deal_no", TVqPropKind::String},   {"oper_id", TVqPropKind::String},
      {"jh_no", TVqPropKind::String},        {"vip_no", TVqPropKind::String},    {"org_amt", TVqPropKind::Double},
      {"real_amt", TVqPropKind::Double},     {"pay_amt", TVqPropKind::Double},   {"ml_amt", TVqPropKind::Double},
      {"ret_sheet", TVqPropKind::String},    {"ret_flag", TVqPropKind::String},  {"appr_flag", TVqPropKind::String},
      {"pos_memo", TVqPropKind::String},     {"pos_frm", TVqPropKind::String},   {"org_sheet", TVqPropKind::String},
      {"sect_no", TVqPropKind::String},      {"desk_no", TVqPropKind::String},   {"item_ver", TVqPropKind::Integer},
      {"pos_state", TVqPropKind::String},    {"out_date", TVqPropKind::String},  {"wx_openid", TVqPropKind::String},
      {"update_time", TVqPropKind::String},
  };
  VQ_SPARSE_RECORD(TPosMaster)
};

// An item line of an order (a row of spf_t_pos_detail).
class TPosDetail : public TVqSparseRecord<TPosDetail> {
 public:
  static constexpr TVqMember kMembers[] = {
      {"softid", TVqPropKind::Integer},    {"sheet_no", TVqPropKind::String},     {"sheet_sort", TVqPropKind::Integer},
      {"oper_date", TVqPropKind::String},  {"item_no", TVqPropKind::String},      {"input_bar", TVqPropKind::String},
      {"sell_way", TVqPropKind::String},   {"unit_no", TVqPropKind::String},      {"unit_pack", TVqPropKind::Double},
      {"sub_qty", TVqPropKind::Double},    {"org_prc", TVqPropKind::Double},      {"real_prc", TVqPropKind::Double},
      {"org_amt", TVqPropKind::Double},    {"real_amt", TVqPropKind::Double},     {"ml_amt", TVqPropKind::Double},
      {"add_amt", TVqPropKind::Double},    {"round_amt", TVqPropKind::Double},    {"spec_type", TVqPropKind::String},
      {"spec_sheet", TVqPropKind::String}, {"vip_integral", TVqPropKind::Double}, {"sale_man", TVqPropKind::String},
      {"power_id", TVqPropKind::String},   {"cost_prc", TVqPropKind::Double},     {"cost_amt", TVqPropKind::Double},
      {"sale_memo", TVqPropKind::String},  {"is_itemcs", TVqPropKind::String},    {"is_print", TVqPropKind::String},
      {"pack_no", TVqPropKind::Integer},   {"item_size", TVqPropKind::String},    {"color_no", TVqPropKind::String},
      {"cm_no", TVqPropKind::String},
  };
  VQ_SPARSE_RECORD(TPosDetail)
};

// A payment line of an order (a row of spf_t_pos_pay).
class TPosPay : public TVqSparseRecord<TPosPay> {
 public:
  static constexpr TVqMember kMembers[] = {
      {"softid", TVqPropKind::Integer},   {"sheet_no", TVqPropKind::String}, {"sheet_sort", TVqPropKind::Integer},
      {"oper_date", TVqPropKind::String}, {"pay_type", TVqPropKind::String}, {"pay_way", TVqPropKind::String},
      {"card_no", TVqPropKind::String},   {"pay_amt", TVqPropKind::Double},  {"pay_memo", TVqPropKind::String},
      {"trade_no", TVqPropKind::String},
  };
  VQ_SPARSE_RECORD(TPosPay)
};

// One order: header, item lines, payment lines.
class TPosData : public TVqObject {
 public:
  std::unique_ptr<TPosMaster> pos_master;
  std::vector<TPosDetail> pos_detail;
  std::vector<TPosPay> pos_pay;
  VQ_RECORD(TPosData, VQ_PROP(pos_master), VQ_PROP(pos_detail), VQ_PROP(pos_pay))
};

// Result of the self-service order pull.
class TPosResult : public TVqObject {
 public:
  int softid = 0;
  int last_change = 0;      // the change number the next request continues from
  int ser_last_change = 0;  // the platform's newest change number
  std::vector<TPosData> posResult;
  VQ_RECORD(TPosResult, VQ_PROP(softid), VQ_PROP(last_change), VQ_PROP(ser_last_change), VQ_PROP(posResult))
};

class TPosRespond : public AppObjectsUtil::TVqRespond {
 public:
  std::unique_ptr<TPosResult> oResult;  // nullptr: an answer without data
  VQ_DERIVED_RECORD(TPosRespond, AppObjectsUtil::TVqRespond, VQ_PROP(oResult))
};

// Result of the mini-program order pull (the wire's pos_wxapp_* members renamed to pos_*
// before reading).
class TPosResult2 : public TVqObject {
 public:
  int softid = 0;
  std::string update_time;  // newest change time delivered, "yyyy-MM-dd HH:mm:ss"
  std::vector<TPosData> wxposResult;
  VQ_RECORD(TPosResult2, VQ_PROP(softid), VQ_PROP(update_time), VQ_PROP(wxposResult))
};

class TPosRespond2 : public AppObjectsUtil::TVqRespond {
 public:
  std::unique_ptr<TPosResult2> oResult;
  VQ_DERIVED_RECORD(TPosRespond2, AppObjectsUtil::TVqRespond, VQ_PROP(oResult))
};

// A member (a row of spf_t_pos_vip_info).
class TVipInfo : public TVqSparseRecord<TVipInfo> {
 public:
  static constexpr TVqMember kMembers[] = {
      {"softid", TVqPropKind::Integer},    {"vip_no", TVqPropKind::String},      {"viptype_no", TVqPropKind::String},
      {"vip_name", TVqPropKind::String},   {"vip_sex", TVqPropKind::String},     {"vip_addr", TVqPropKind::String},
      {"vip_zip", TVqPropKind::String},    {"vip_tel", TVqPropKind::String},     {"vip_mobile", TVqPropKind::String},
      {"birth_date", TVqPropKind::String}, {"birth_date2", TVqPropKind::String}, {"vip_status", TVqPropKind::String},
      {"valid_flag", TVqPropKind::String}, {"start_date", TVqPropKind::String},  {"end_date", TVqPropKind::String},
      {"pub_branch", TVqPropKind::String}, {"pub_date", TVqPropKind::String},    {"vip_memo", TVqPropKind::String},
      {"py_code", TVqPropKind::String},    {"viparea_no", TVqPropKind::String},  {"data_source", TVqPropKind::String},
  };
  VQ_SPARSE_RECORD(TVipInfo)
};

// Result of the member pull.
class TVipResult : public TVqObject {
 public:
  int softid = 0;
  std::string update_time;
  std::vector<TVipInfo> vipinfo;
  VQ_RECORD(TVipResult, VQ_PROP(softid), VQ_PROP(update_time), VQ_PROP(vipinfo))
};

class TVipRespond : public AppObjectsUtil::TVqRespond {
 public:
  std::unique_ptr<TVipResult> oResult;
  VQ_DERIVED_RECORD(TVipRespond, AppObjectsUtil::TVqRespond, VQ_PROP(oResult))
};

}  // namespace tessaly
