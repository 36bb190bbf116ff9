#pragma once
// The platform's records as the agent reads and writes them: the replies of the three pulls
// with their orders and members, and the delete record of the upload. Each class lists its
// members once (VqObjectUtil.h); that table serves ReadVqObject, TJSONHelper::Obj2JSON and
// TVqRttiHelper::GetAdpterSql. JSON member names are the property names, with their case.
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
class TPosMaster : public TVqObject {
 public:
  int softid = 0;
  std::string sheet_no;
  std::string sheet_type;
  std::string sheet_source;
  std::string branch_no;
  std::string oper_date;
  std::string oper_txt;
  std::string deal_no;
  std::string oper_id;
  std::string jh_no;
  std::string vip_no;
  double org_amt = 0;
  double real_amt = 0;
  double pay_amt = 0;
  double ml_amt = 0;
  std::string ret_sheet;
  std::string ret_flag;
  std::string appr_flag;
  std::string pos_memo;
  std::string pos_frm;
  std::string org_sheet;
  std::string sect_no;
  std::string desk_no;
  int item_ver = 0;
  std::string pos_state;
  std::string out_date;
  std::string wx_openid;
  std::string update_time;
  VQ_RECORD(TPosMaster, VQ_PROP(softid), VQ_PROP(sheet_no), VQ_PROP(sheet_type), VQ_PROP(sheet_source),
            VQ_PROP(branch_no), VQ_PROP(oper_date), VQ_PROP(oper_txt), VQ_PROP(deal_no), VQ_PROP(oper_id),
            VQ_PROP(jh_no), VQ_PROP(vip_no), VQ_PROP(org_amt), VQ_PROP(real_amt), VQ_PROP(pay_amt), VQ_PROP(ml_amt),
            VQ_PROP(ret_sheet), VQ_PROP(ret_flag), VQ_PROP(appr_flag), VQ_PROP(pos_memo), VQ_PROP(pos_frm),
            VQ_PROP(org_sheet), VQ_PROP(sect_no), VQ_PROP(desk_no), VQ_PROP(item_ver), VQ_PROP(pos_state),
            VQ_PROP(out_date), VQ_PROP(wx_openid), VQ_PROP(update_time))
};

// An item line of an order (a row of spf_t_pos_detail).
class TPosDetail : public TVqObject {
 public:
  int softid = 0;
  std::string sheet_no;
  int sheet_sort = 0;
  std::string oper_date;
  std::string item_no;
  std::string input_bar;
  std::string sell_way;
  std::string unit_no;
  double unit_pack = 0;
  double sub_qty = 0;
  double org_prc = 0;
  double real_prc = 0;
  double org_amt = 0;
  double real_amt = 0;
  double ml_amt = 0;
  double add_amt = 0;
  double round_amt = 0;
  std::string spec_type;
  std::string spec_sheet;
  double vip_integral = 0;
  std::string sale_man;
  std::string power_id;
  double cost_prc = 0;
  double cost_amt = 0;
  std::string sale_memo;
  std::string is_itemcs;
  std::string is_print;
  int pack_no = 0;
  std::string item_size;
  std::string color_no;
  std::string cm_no;
  VQ_RECORD(TPosDetail, VQ_PROP(softid), VQ_PROP(sheet_no), VQ_PROP(sheet_sort), VQ_PROP(oper_date), VQ_PROP(item_no),
            VQ_PROP(input_bar), VQ_PROP(sell_way), VQ_PROP(unit_no), VQ_PROP(unit_pack), VQ_PROP(sub_qty),
            VQ_PROP(org_prc), VQ_PROP(real_prc), VQ_PROP(org_amt), VQ_PROP(real_amt), VQ_PROP(ml_amt), VQ_PROP(add_amt),
            VQ_PROP(round_amt), VQ_PROP(spec_type), VQ_PROP(spec_sheet), VQ_PROP(vip_integral), VQ_PROP(sale_man),
            VQ_PROP(power_id), VQ_PROP(cost_prc), VQ_PROP(cost_amt), VQ_PROP(sale_memo), VQ_PROP(is_itemcs),
            VQ_PROP(is_print), VQ_PROP(pack_no), VQ_PROP(item_size), VQ_PROP(color_no), VQ_PROP(cm_no))
};

// A payment line of an order (a row of spf_t_pos_pay).
class TPosPay : public TVqObject {
 public:
  int softid = 0;
  std::string sheet_no;
  int sheet_sort = 0;
  std::string oper_date;
  std::string pay_type;
  std::string pay_way;
  std::string card_no;
  double pay_amt = 0;
  std::string pay_memo;
  std::string trade_no;
  VQ_RECORD(TPosPay, VQ_PROP(softid), VQ_PROP(sheet_no), VQ_PROP(sheet_sort), VQ_PROP(oper_date), VQ_PROP(pay_type),
            VQ_PROP(pay_way), VQ_PROP(card_no), VQ_PROP(pay_amt), VQ_PROP(pay_memo), VQ_PROP(trade_no))
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
class TVipInfo : public TVqObject {
 public:
  int softid = 0;
  std::string vip_no;
  std::string viptype_no;
  std::string vip_name;
  std::string vip_sex;
  std::string vip_addr;
  std::string vip_zip;
  std::string vip_tel;
  std::string vip_mobile;
  std::string birth_date;
  std::string birth_date2;
  std::string vip_status;
  std::string valid_flag;
  std::string start_date;
  std::string end_date;
  std::string pub_branch;
  std::string pub_date;
  std::string vip_memo;
  std::string py_code;
  std::string viparea_no;
  std::string data_source;
  VQ_RECORD(TVipInfo, VQ_PROP(softid), VQ_PROP(vip_no), VQ_PROP(viptype_no), VQ_PROP(vip_name), VQ_PROP(vip_sex),
            VQ_PROP(vip_addr), VQ_PROP(vip_zip), VQ_PROP(vip_tel), VQ_PROP(vip_mobile), VQ_PROP(birth_date),
            VQ_PROP(birth_date2), VQ_PROP(vip_status), VQ_PROP(valid_flag), VQ_PROP(start_date), VQ_PROP(end_date),
            VQ_PROP(pub_branch), VQ_PROP(pub_date), VQ_PROP(vip_memo), VQ_PROP(py_code), VQ_PROP(viparea_no),
            VQ_PROP(data_source))
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
