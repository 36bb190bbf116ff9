#include "support/AgentSchema.h"

#include <stdexcept>

#include "support/TestOdbc.h"

namespace vqtest {

const std::string& AgentTablesTsql() {
  static const std::string sql = R"(
create table spf_t_trans_table(
  trans_index int NOT NULL, soft_ver varchar(10) NOT NULL, trans_state int DEFAULT 1,
  soft_dist int NULL, trans_type varchar(20) NOT NULL, trans_table varchar(60) NOT NULL,
  table_name varchar(60) NOT NULL, table2_name varchar(60) NULL, trans_tag int DEFAULT 0,
  get_delete_sql varchar(max) NULL, get_update_sql varchar(max) NULL,
  PRIMARY KEY(soft_ver, trans_index))
create table spf_t_trans_record(
  softid int NOT NULL, trans_type varchar(20) NOT NULL, table_name varchar(60) NOT NULL,
  last_change int DEFAULT 0, last_date datetime NULL,
  PRIMARY KEY(softid, trans_type, table_name))
create table spf_t_pos_master(
  softid int NOT NULL, sheet_no varchar(30) NOT NULL, sheet_type varchar(10) NULL, sheet_source varchar(10) NULL,
  branch_no varchar(10) NULL, oper_date datetime NULL, oper_txt varchar(100) NULL, deal_no varchar(30) NULL,
  oper_id varchar(20) NULL, jh_no varchar(10) NULL, vip_no varchar(30) NULL, org_amt numeric(16,4) NULL,
  real_amt numeric(16,4) NULL, pay_amt numeric(16,4) NULL, ml_amt numeric(16,4) NULL, ret_sheet varchar(30) NULL,
  ret_flag varchar(10) NULL, appr_flag varchar(10) NULL, pos_memo varchar(254) NULL, pos_frm varchar(10) NULL,
  org_sheet varchar(30) NULL, sect_no varchar(20) NULL, desk_no varchar(20) NULL, item_ver int NULL,
  pos_state varchar(10) NULL, out_date varchar(30) NULL, wx_openid varchar(64) NULL, update_time varchar(30) NULL,
  PRIMARY KEY(softid, sheet_no))
create table spf_t_pos_detail(
  softid int NOT NULL, sheet_no varchar(30) NOT NULL, sheet_sort int NOT NULL, oper_date datetime NULL,
  item_no varchar(30) NULL, input_bar varchar(30) NULL, sell_way varchar(10) NULL, unit_no varchar(10) NULL,
  unit_pack numeric(16,4) NULL, sub_qty numeric(16,4) NULL, org_prc numeric(16,4) NULL, real_prc numeric(16,4) NULL,
  org_amt numeric(16,4) NULL, real_amt numeric(16,4) NULL, ml_amt numeric(16,4) NULL, add_amt numeric(16,4) NULL,
  round_amt numeric(16,4) NULL, spec_type varchar(10) NULL, spec_sheet varchar(30) NULL,
  vip_integral numeric(16,4) NULL, sale_man varchar(20) NULL, power_id varchar(20) NULL,
  cost_prc numeric(16,4) NULL, cost_amt numeric(16,4) NULL, sale_memo varchar(254) NULL, is_itemcs varchar(10) NULL,
  is_print varchar(10) NULL, pack_no int NULL, item_size varchar(20) NULL, color_no varchar(20) NULL,
  cm_no varchar(20) NULL,
  PRIMARY KEY(softid, sheet_no, sheet_sort))
create table spf_t_pos_pay(
  softid int NOT NULL, sheet_no varchar(30) NOT NULL, sheet_sort int NOT NULL, oper_date datetime NULL,
  pay_type varchar(10) NULL, pay_way varchar(10) NULL, card_no varchar(30) NULL, pay_amt numeric(16,4) NULL,
  pay_memo varchar(254) NULL, trade_no varchar(64) NULL,
  PRIMARY KEY(softid, sheet_no, sheet_sort))
create table spf_t_pos_vip_info(
  softid int NOT NULL, vip_no varchar(30) NOT NULL, viptype_no varchar(10) NULL, vip_name varchar(60) NULL,
  vip_sex varchar(10) NULL, vip_addr varchar(254) NULL, vip_zip varchar(10) NULL, vip_tel varchar(30) NULL,
  vip_mobile varchar(30) NULL, birth_date varchar(30) NULL, birth_date2 varchar(30) NULL, vip_status varchar(10) NULL,
  valid_flag varchar(10) NULL, start_date varchar(30) NULL, end_date varchar(30) NULL, pub_branch varchar(10) NULL,
  pub_date varchar(30) NULL, vip_memo varchar(254) NULL, py_code varchar(60) NULL, viparea_no varchar(10) NULL,
  data_source varchar(10) NULL,
  PRIMARY KEY(softid, vip_no))
)";
  return sql;
}

const std::string& BackOfficeTablesTsql() {
  static const std::string sql = R"(
create table sys_t_system(sys_var_id varchar(30) NOT NULL PRIMARY KEY, sys_var_name varchar(60) NULL,
  sys_var_value varchar(254) NULL)
create table vq_tab_tabledesc(table_name varchar(60) NOT NULL PRIMARY KEY, max_change int NULL)
create table bi_t_datadelete(id int identity(1,1) NOT NULL, table_name varchar(60) NOT NULL, local_change int NULL)
create table sys_t_image(image_id int NOT NULL PRIMARY KEY, update_time datetime NULL)
)";
  return sql;
}

void ApplyAgentSchema(TestOdbc& db) {
  std::string error;
  if (!db.ApplySchema(AgentTablesTsql(), &error)) throw std::runtime_error("agent tables: " + error);
  if (!db.ApplySchema(BackOfficeTablesTsql(), &error)) throw std::runtime_error("back-office tables: " + error);
  for (const char* proc : {"pr_spf_soft_pos_data", "pr_spf_soft_pos_vip"}) db.RegisterProcedure(proc);
  for (const char* fn : {"fn_spf_soft_get_distributed", "fn_spf_soft_get_branch_no"}) db.RegisterFunction(fn);
}

}  // namespace vqtest
