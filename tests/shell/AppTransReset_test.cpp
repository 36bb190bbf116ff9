#include "shell/AppTransResetUnit.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/AppUtil.h"
#include "shell/TransFixture.h"

namespace tessaly {
namespace {

class AppTransResetTest : public TransFixture {
 protected:
  // Ticks the box of the item with this caption.
  static void Tick(TAppTransReset& dlg, const std::string& caption) {
    for (std::size_t i = 0; i < kResetItems.size(); ++i)
      if (caption == kResetItems[i].Caption) return dlg.chkItems[i]->setChecked(true);
    FAIL() << caption;
  }

  // Checkpoint rows "softid|type|table|last_change|last_date".
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    for (const auto& row : db.Query("select softid, trans_type, table_name, last_change, last_date from "
                                    "spf_t_trans_record order by softid, trans_type, table_name"))
      out.push_back(row[0].value_or("") + "|" + row[1].value_or("") + "|" + row[2].value_or("") + "|" +
                    row[3].value_or("null") + "|" + row[4].value_or("null"));
    return out;
  }

  void Seed(const std::string& values) {
    ASSERT_TRUE(db.Exec("insert into spf_t_trans_record(softid,trans_type,table_name,last_change,last_date) values" +
                        values));
  }
};

// Showing reads each pull row's change number and date of the current enterprise by table name,
// and shows a missing row as 0 and the zero date.
TEST_F(AppTransResetTest, ShowReadsPullRows) {
  Seed("(5,'POS','spf_pos_data',1200,'2024-05-06 10:20:30'),(9,'POS','wxp_pos_data',77,'2023-01-01 00:00:00')");
  TAppTransReset dlg;
  const auto sql = SqlSent([&] { dlg.show(); });
  const std::vector<std::string> expected = {
      "select last_change from spf_t_trans_record  where table_name='spf_pos_data' and softid=5",
      "select last_date from spf_t_trans_record  where table_name='spf_pos_data' and softid=5",
      "select last_change from spf_t_trans_record  where table_name='wxp_pos_data' and softid=5",
      "select last_date from spf_t_trans_record  where table_name='wxp_pos_data' and softid=5",
      "select last_change from spf_t_trans_record  where table_name='wxp_vip_new' and softid=5",
      "select last_date from spf_t_trans_record  where table_name='wxp_vip_new' and softid=5"};
  EXPECT_EQ(sql, expected);
  EXPECT_EQ(dlg.edtOrderLastChange->value(), 1200);
  EXPECT_EQ(dlg.edtOrderLastDate->text().toStdString(), "2024-05-06 10:20:30");
  EXPECT_EQ(dlg.edtWXOrderLastChange->value(), 0);
  EXPECT_EQ(dlg.edtWXOrderLastDate->text().toStdString(), "1899-12-30 00:00:00");
  EXPECT_EQ(dlg.edtWXVIPLastDate->text().toStdString(), "1899-12-30 00:00:00");
  EXPECT_EQ(vqtest::SaveScreenshot(dlg, "transfer_reset").empty(), false);
}

struct ResetCase {
  const char* Name;
  std::vector<std::string> Ticks;
  std::function<void(TAppTransReset&)> Fill;  // after show, every date blank and number 0
  std::vector<std::string> Sql;
  std::vector<std::string> Messages;
  bool Closed;
};

const std::string kDeleteHead =
    "delete from spf_t_trans_record where softid=5 and (table_name in (select t.table_name from spf_t_trans_table t "
    "where t.soft_ver='00012' and t.trans_table in (";

std::string Upsert(const std::string& type, const std::string& table, const std::string& set,
                   const std::string& columns, const std::string& values) {
  return "if exists(select 1 from spf_t_trans_record where softid=5 and trans_type='" + type +
         "' and table_name='" + table + "') begin   update spf_t_trans_record set " + set +
         "   where softid=5     and trans_type='" + type + "' and table_name='" + table +
         "' end else begin   insert into spf_t_trans_record(softid,trans_type,table_name," + columns +
         ")   values(5,'" + type + "','" + table + "'," + values + ") end";
}

// The delete and the pull-checkpoint writes of each choice, byte for byte, with the question and
// the messages: the writes name the enterprise id, the stream's type and its table.
TEST_F(AppTransResetTest, GoldenResetStatements) {
  const std::vector<ResetCase> cases = {
      {"three pull rows, one with a number",
       {"商品信息", "拉取自助订单", "拉取小程序订单", "拉取小程序会员"},
       [](TAppTransReset& d) { d.edtOrderLastChange->setValue(1200); },
       {kDeleteHead + "'bi_item','spf_pos_data','wxp_pos_data','wxp_vip_new') and t.trans_table<>'spf_pos_data') "
                      "or table_name='wxp_pos_data'  or table_name='wxp_vip_new' )",
        Upsert("POS", "spf_pos_data", "last_change=1200", "last_change", "1200")},
       {"询问|确定重置“商品信息,拉取自助订单,拉取小程序订单,拉取小程序会员”吗？",
        "消息|“商品信息,拉取自助订单,拉取小程序订单,拉取小程序会员”重置成功！"},
       true},
      {"member points alone", {"会员积分"}, nullptr, {kDeleteHead + "'')))"}, {"询问|确定重置“会员积分”吗？"}, false},
      {"goods and member points",
       {"商品信息", "会员积分"},
       nullptr,
       {kDeleteHead + "'bi_item')))"},
       {"询问|确定重置“商品信息,会员积分”吗？"},
       false},
      {"order pull with 0 and no date",
       {"拉取自助订单"},
       nullptr,
       {kDeleteHead + "'spf_pos_data')) or table_name='spf_pos_data' )"},
       {"询问|确定重置“拉取自助订单”吗？"},
       false},
      {"0 and a date: the order pull writes both, the applet pull only the date",
       {"拉取自助订单", "拉取小程序订单"},
       [](TAppTransReset& d) {
         d.edtOrderLastDate->setText("2024-02-03 04:05:06");
         d.edtWXOrderLastDate->setText("2024-07-08 09:10:11");
       },
       {kDeleteHead + "'spf_pos_data','wxp_pos_data') and t.trans_table<>'spf_pos_data' and "
                      "t.trans_table<>'wxp_pos_data'))",
        Upsert("POS", "spf_pos_data", "last_change=0,last_date='2024-02-03 04:05:06'", "last_change,last_date",
               "0,'2024-02-03 04:05:06'"),
        Upsert("POS", "wxp_pos_data", "last_date='2024-07-08 09:10:11'", "last_date", "'2024-07-08 09:10:11'")},
       {"询问|确定重置“拉取自助订单,拉取小程序订单”吗？", "消息|“拉取自助订单,拉取小程序订单”重置成功！",
        "消息|“拉取自助订单,拉取小程序订单”重置成功！"},
       true},
      {"member pull with a number",
       {"拉取小程序会员"},
       [](TAppTransReset& d) { d.edtWXVIPLastChange->setValue(33); },
       {kDeleteHead + "'wxp_vip_new') and t.trans_table<>'wxp_vip_new'))",
        Upsert("VIP", "wxp_vip_new", "last_change=33", "last_change", "33")},
       {"询问|确定重置“拉取小程序会员”吗？", "消息|“拉取小程序会员”重置成功！"},
       true},
      {"a negative number and no date is no reset value",
       {"拉取自助订单"},
       [](TAppTransReset& d) { d.edtOrderLastChange->setValue(-4); },
       {kDeleteHead + "'spf_pos_data')) or table_name='spf_pos_data' )"},
       {"询问|确定重置“拉取自助订单”吗？"},
       false},
      {"branch limits bring their detail table",
       {"会员使用机构"},
       nullptr,
       {kDeleteHead + "'vip_branchlimit_master','vip_branchlimit_detail')))"},
       {"询问|确定重置“会员使用机构”吗？"},
       false},
  };
  for (const auto& c : cases) {
    messages.clear();
    TAppTransReset dlg;
    dlg.show();
    for (QLineEdit* date : {dlg.edtOrderLastDate, dlg.edtWXOrderLastDate, dlg.edtWXVIPLastDate}) date->clear();
    for (QSpinBox* change : {dlg.edtOrderLastChange, dlg.edtWXOrderLastChange, dlg.edtWXVIPLastChange})
      change->setValue(0);
    for (const auto& tick : c.Ticks) Tick(dlg, tick);
    if (c.Fill) c.Fill(dlg);
    EXPECT_EQ(SqlSent([&] { dlg.lblOKClick(); }), c.Sql) << c.Name;
    EXPECT_EQ(messages, c.Messages) << c.Name;
    EXPECT_EQ(!dlg.isVisible(), c.Closed) << c.Name;
    EXPECT_EQ(dlg.FiResult, c.Closed ? 1 : -1) << c.Name;
  }
}

// Nothing ticked, or the question answered No: no statement runs.
TEST_F(AppTransResetTest, NothingTickedOrNoRunsNothing) {
  TAppTransReset dlg;
  dlg.show();
  EXPECT_TRUE(SqlSent([&] { dlg.lblOKClick(); }).empty());
  EXPECT_EQ(messages, std::vector<std::string>{"消息|请选择一个需要重置的项！"});
  messages.clear();
  answer = false;
  Tick(dlg, "商品信息");
  EXPECT_TRUE(SqlSent([&] { dlg.lblOKClick(); }).empty());
  EXPECT_EQ(messages, std::vector<std::string>{"询问|确定重置“商品信息”吗？"});
  EXPECT_TRUE(dlg.isVisible());
}

// On the database: only the current enterprise's rows go; a reset pull row is written for this
// enterprise alone, and added (with the stream's type) when it had none.
TEST_F(AppTransResetTest, ResetTouchesOnlyCurrentEnterprise) {
  ASSERT_TRUE(db.Exec("insert into spf_t_trans_table(trans_index,soft_ver,trans_state,trans_type,trans_table,"
                      "table_name) values(1,'00012',1,'BI','bi_item','bi_t_item')"));
  Seed("(5,'BI','bi_t_item',10,null),(5,'D-BI','bi_t_item',11,null),(9,'BI','bi_t_item',12,null),"
       "(5,'POS','spf_pos_data',100,'2024-01-01 00:00:00'),(9,'POS','spf_pos_data',200,null),"
       "(5,'POS','wxp_pos_data',300,null),(9,'VIP','wxp_vip_new',400,null)");
  TAppTransReset dlg;
  dlg.show();
  for (const char* tick : {"商品信息", "拉取自助订单", "拉取小程序订单", "拉取小程序会员"}) Tick(dlg, tick);
  dlg.edtOrderLastChange->setValue(150);
  dlg.edtWXOrderLastChange->setValue(0);
  dlg.edtWXOrderLastDate->clear();
  dlg.edtWXVIPLastChange->setValue(0);
  dlg.edtWXVIPLastDate->setText("2024-03-04 05:06:07");
  dlg.lblOKClick();
  const std::vector<std::string> expected = {
      "5|POS|spf_pos_data|150|2024-01-01 00:00:00.000", "5|VIP|wxp_vip_new|0|2024-03-04 05:06:07.000",
      "9|BI|bi_t_item|12|null", "9|POS|spf_pos_data|200|null", "9|VIP|wxp_vip_new|400|null"};
  EXPECT_EQ(Rows(), expected);
}

// A partly typed or impossible date of a ticked pull row is refused with a message, before the
// question: nothing is deleted and the member-points cache stays.
TEST_F(AppTransResetTest, PartDateRefused) {
  Seed("(5,'POS','spf_pos_data',100,null)");
  AppVar->VipIntegralList.Add("V1", "10");
  for (const char* text : {"2024-05-0_ __:__:__", "2024-05-06 10:2_:__", "2024-13-40 10:00:00"}) {
    messages.clear();
    TAppTransReset dlg;
    dlg.show();
    Tick(dlg, "拉取自助订单");
    Tick(dlg, "会员积分");
    dlg.edtOrderLastChange->setValue(0);
    dlg.edtOrderLastDate->setText(text);
    EXPECT_TRUE(SqlSent([&] { dlg.lblOKClick(); }).empty()) << text;
    EXPECT_EQ(messages, std::vector<std::string>{"消息|“拉取自助订单”的重置时间不完整或有误，请输入完整的时间(yyyy-"
                                                 "MM-dd hh:mm:ss)或清空！"})
        << text;
    EXPECT_TRUE(dlg.isVisible());
  }
  EXPECT_EQ(Rows(), std::vector<std::string>{"5|POS|spf_pos_data|100|null"});
  EXPECT_EQ(AppVar->VipIntegralList.Count(), 1);
}

// A typed change number reaches the statement only as the number the field holds: letters and
// quotes never get into the field.
TEST_F(AppTransResetTest, ChangeNumberIsAnInteger) {
  TAppTransReset dlg;
  dlg.show();
  Tick(dlg, "拉取自助订单");
  dlg.edtOrderLastDate->clear();
  auto* edit = dlg.edtOrderLastChange->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  for (const QChar ch : QString("12a' or 1=13")) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(edit, &press);
  }
  const auto sql = SqlSent([&] { dlg.lblOKClick(); });
  ASSERT_EQ(sql.size(), 2u);
  EXPECT_EQ(sql[1], Upsert("POS", "spf_pos_data", "last_change=12113", "last_change", "12113"));
}

// The member-points cache is emptied, and its file removed at once, only after the delete
// succeeded; a failed delete leaves both and writes nothing.
TEST_F(AppTransResetTest, MemberPointsClearedAfterDelete) {
  const std::filesystem::path file = TSPfApp::VipIntegralFile(5);
  std::filesystem::create_directories(file.parent_path());
  AppVar->VipIntegralList.Add("V1", "10");
  AppVar->VipIntegralList.Save(file.string());
  ASSERT_TRUE(std::filesystem::exists(file));

  db.FailStatements("delete from spf_t_trans_record%", "磁盘已满");
  {
    TAppTransReset dlg;
    dlg.show();
    Tick(dlg, "会员积分");
    dlg.lblOKClick();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].rfind("消息|重置操作失败：", 0), 0u) << messages[1];
    EXPECT_NE(messages[1].find("磁盘已满"), std::string::npos);
    EXPECT_EQ(AppVar->VipIntegralList.Count(), 1);
    EXPECT_TRUE(std::filesystem::exists(file));
  }
  db.ClearFailures();
  messages.clear();
  TAppTransReset dlg;
  dlg.show();
  Tick(dlg, "会员积分");
  dlg.lblOKClick();
  EXPECT_EQ(messages, std::vector<std::string>{"询问|确定重置“会员积分”吗？"});
  EXPECT_EQ(AppVar->VipIntegralList.Count(), 0);
  EXPECT_FALSE(std::filesystem::exists(file));
  AppVar->VipIntegralList.Load(file.string());  // what the next start would load
  EXPECT_EQ(AppVar->VipIntegralList.Count(), 0);
}

// A failed pull-checkpoint write shows its own message; the other rows are still written, and
// the dialog closes because one of them succeeded.
TEST_F(AppTransResetTest, FailedWriteReportedOthersRun) {
  db.FailStatements("if exists(select 1 from spf_t_trans_record where softid=5 and trans_type='POS' and "
                    "table_name='spf_pos_data')%",
                    "锁超时");
  TAppTransReset dlg;
  dlg.show();
  Tick(dlg, "拉取自助订单");
  Tick(dlg, "拉取小程序会员");
  dlg.edtOrderLastChange->setValue(5);
  dlg.edtWXVIPLastChange->setValue(6);
  dlg.lblOKClick();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[1].rfind("消息|重置拉取自助订单操作失败：", 0), 0u) << messages[1];
  EXPECT_NE(messages[1].find("锁超时"), std::string::npos);
  EXPECT_EQ(messages[2], "消息|“拉取自助订单,拉取小程序会员”重置成功！");
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(Rows(), std::vector<std::string>{"5|VIP|wxp_vip_new|6|null"});
}

// "全选" ticks and unticks every box of the panel, the member points and pull rows included.
TEST_F(AppTransResetTest, SelectAll) {
  TAppTransReset dlg;
  dlg.show();
  for (bool state : {true, false}) {
    dlg.chkAll->setChecked(state);
    dlg.chkAllClick();
    for (QCheckBox* box : dlg.chkItems) EXPECT_EQ(box->isChecked(), state) << box->text().toStdString();
  }
}

}  // namespace
}  // namespace tessaly
