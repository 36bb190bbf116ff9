#include "shell/AppTransQueryUnit.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QtTest/QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "foundation/VqLibTextTrim.h"
#include "shell/TransFixture.h"

namespace tessaly {
namespace {

class AppTransQueryTest : public TransFixture {
 protected:
  void SetUp() override {
    TransFixture::SetUp();
    ASSERT_TRUE(db.Exec("create table bi_t_item(item_no varchar(20), item_name varchar(60), branch_no varchar(10))"));
    ASSERT_TRUE(db.Exec("insert into bi_t_item values('cab1','甲','0001'),('ABC2','乙','0002'),('abd3','丙','0001')"));
    ASSERT_TRUE(db.Exec(
        "insert into spf_t_trans_table(trans_index,soft_ver,trans_state,soft_dist,trans_type,trans_table,table_name,"
        "get_delete_sql,get_update_sql) values"
        "(2,'00012',1,1,'BI','bi_item','bi_t_item','select item_no from bi_t_item where :last_change<0',"
        "'select item_no,item_name from bi_t_item where :last_change>=-1 and branch_no<>:branch_no'),"
        "(1,'00012',1,null,'VIP','vip_info','vip_t_info','',''),"
        "(3,'00012',0,0,'XX','off','off_t','',''),(1,'00099',1,0,'YY','other','other_t','','')"));
  }

  // The dialog shown, with the table `item` chosen as the operator would.
  static void Choose(TAppTransQuery& dlg, const std::string& item) {
    dlg.cbbTable->setCurrentIndex(dlg.cbbTable->findText(QString::fromStdString(item)));
  }

  static std::vector<std::string> Items(const TAppTransQuery& dlg) {
    std::vector<std::string> out;
    for (int i = 0; i < dlg.cbbTable->count(); ++i) out.push_back(dlg.cbbTable->itemText(i).toStdString());
    return out;
  }

  static std::string Cell(const TAppTransQuery& dlg, int row, int column) {
    return dlg.grdData->model()->index(row, column).data().toString().toStdString();
  }
};

// Showing lists the product's active definitions in transfer order, with nothing chosen; the
// query stays off until the list has loaded.
TEST_F(AppTransQueryTest, ShowListsActiveTables) {
  TAppTransQuery dlg;
  EXPECT_FALSE(dlg.lblOK->isEnabled());
  const auto sql = SqlSent([&] { dlg.show(); });
  EXPECT_EQ(sql, std::vector<std::string>{"select * from spf_t_trans_table  where trans_state=1 and "
                                          "soft_ver='00012' order by trans_index"});
  EXPECT_EQ(Items(dlg), (std::vector<std::string>{"vip_info|vip_t_info", "bi_item|bi_t_item"}));
  EXPECT_EQ(dlg.cbbTable->currentIndex(), -1);
  EXPECT_TRUE(dlg.lblOK->isEnabled());
  EXPECT_EQ(dlg.lblTabInfo->text().toStdString(), "请选择查询的传输表...");
  EXPECT_TRUE(messages.empty());
}

// A failed list read is a message, and the query stays off.
TEST_F(AppTransQueryTest, ListFailure) {
  db.FailStatements("select * from spf_t_trans_table%", "无此表");
  TAppTransQuery dlg;
  dlg.show();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("消息|查询传输表失败：", 0), 0u) << messages[0];
  EXPECT_FALSE(dlg.lblOK->isEnabled());
  EXPECT_EQ(dlg.cbbTable->count(), 0);
}

// Choosing a table fills the information line, its hint and the statements; double-clicks on the
// line open and close the header with the statements; the menu copies either statement.
TEST_F(AppTransQueryTest, ChooseShowsInfoAndCopies) {
  TAppTransQuery dlg;
  dlg.show();
  Choose(dlg, "bi_item|bi_t_item");
  EXPECT_EQ(dlg.lblTabInfo->text().toStdString(), "传输表[BI]：bi_item，分布式：1[双击展开]");
  const std::string memo =
      "查询表：\nbi_t_item\n查询SQL：\nselect item_no,item_name from bi_t_item where :last_change>=-1 and "
      "branch_no<>:branch_no\n删除SQL：\nselect item_no from bi_t_item where :last_change<0";
  EXPECT_EQ(dlg.mmoSql->toPlainText().toStdString(), memo);
  EXPECT_EQ(dlg.lblTabInfo->toolTip().toStdString(), "传输表[BI]：bi_item，分布式：1[双击展开]，\n" + memo);
  EXPECT_FALSE(dlg.mmoSql->isVisible());
  // A double-click on the information line toggles the header once.
  const auto doubleClick = [](QWidget* aWidget) {
    QTest::mouseDClick(aWidget, Qt::LeftButton, {}, QPoint(10, aWidget->height() / 2));
  };
  doubleClick(dlg.lblTabInfo);
  EXPECT_EQ(dlg.pnlHead->height(), 250);
  EXPECT_TRUE(dlg.mmoSql->isVisible());
  EXPECT_EQ(vqtest::SaveScreenshot(dlg, "transfer_query_statements").empty(), false);
  doubleClick(dlg.lblTabInfo);
  EXPECT_EQ(dlg.pnlHead->height(), 62);
  EXPECT_FALSE(dlg.mmoSql->isVisible());
  // The header itself, beside the line, toggles it the same way.
  doubleClick(dlg.pnlHead);
  EXPECT_EQ(dlg.pnlHead->height(), 250);
  dlg.pnlHeadDblClick();
  EXPECT_EQ(dlg.pnlHead->height(), 62);
  EXPECT_FALSE(dlg.mmoSql->isVisible());
  dlg.SQL1->trigger();
  EXPECT_EQ(clipboard, "select item_no,item_name from bi_t_item where :last_change>=-1 and branch_no<>:branch_no");
  dlg.SQL2->trigger();
  EXPECT_EQ(clipboard, "select item_no from bi_t_item where :last_change<0");
  Choose(dlg, "vip_info|vip_t_info");  // a null soft_dist shows as 0
  EXPECT_EQ(dlg.lblTabInfo->text().toStdString(), "传输表[VIP]：vip_info，分布式：0[双击展开]");
}

struct QueryCase {
  const char* Name;
  int SoftModel;
  bool FromStart;
  bool Deleted;
  std::vector<std::string> Sql;
  int Rows;
};

// The statements of a query: the stored checkpoint of the type (or "D-" type) read first, then
// the template filled with it, the branch number only for the distributed family.
TEST_F(AppTransQueryTest, GoldenQueryStatements) {
  ASSERT_TRUE(
      db.Exec("insert into spf_t_trans_record(softid,trans_type,table_name,last_change,last_date) values"
              "(5,'BI','bi_t_item',7,'2024-01-02 03:04:05'),(5,'D-BI','bi_t_item',-3,null)"));
  AppVar->BranchNo.v("0001");
  const std::string readDate =
      "select last_date from spf_t_trans_record where softid=5 and trans_type='BI' and "
      "table_name='bi_t_item'";
  const std::string readChange =
      "select last_change from spf_t_trans_record where softid=5 and trans_type='BI' "
      "and table_name='bi_t_item'";
  const std::vector<QueryCase> cases = {
      {"stored checkpoint, family 1",
       1,
       false,
       false,
       {readDate, readChange, "select item_no,item_name from bi_t_item where 7>=-1 and branch_no<>'0001'"},
       1},
      {"stored checkpoint, other family",
       0,
       false,
       false,
       {readDate, readChange, "select item_no,item_name from bi_t_item where 7>=-1 and branch_no<>''"},
       3},
      {"from the start", 0, true, false, {"select item_no,item_name from bi_t_item where -1>=-1 and branch_no<>''"}, 3},
      {"deleted rows",
       0,
       false,
       true,
       {"select last_date from spf_t_trans_record where softid=5 and trans_type='D-BI' and table_name='bi_t_item'",
        "select last_change from spf_t_trans_record where softid=5 and trans_type='D-BI' and table_name='bi_t_item'",
        "select item_no from bi_t_item where -3<0"},
       3},
      {"deleted rows from the start", 0, true, true, {"select item_no from bi_t_item where -1<0"}, 3},
  };
  for (const auto& c : cases) {
    AppVar->SoftModel = c.SoftModel;
    TAppTransQuery dlg;
    dlg.show();
    Choose(dlg, "bi_item|bi_t_item");
    dlg.chkLastChange->setChecked(c.FromStart);
    dlg.chkDelSql->setChecked(c.Deleted);
    EXPECT_EQ(SqlSent([&] { dlg.lblOKClick(); }), c.Sql) << c.Name;
    EXPECT_EQ(dlg.grdData->model()->rowCount(), c.Rows) << c.Name;
    EXPECT_TRUE(messages.empty()) << c.Name;
  }
}

// Before a table is chosen the query asks for one; a failed query is a message and the previous
// result stays in the grid.
TEST_F(AppTransQueryTest, QueryRefusalsKeepResult) {
  TAppTransQuery dlg;
  dlg.show();
  dlg.lblOKClick();
  EXPECT_EQ(messages, std::vector<std::string>{"消息|请先选择需查询的传输表！"});
  messages.clear();
  Choose(dlg, "bi_item|bi_t_item");
  dlg.chkLastChange->setChecked(true);
  dlg.lblOKClick();
  ASSERT_EQ(dlg.grdData->model()->rowCount(), 3);
  db.FailStatements("select item_no,item_name from bi_t_item%", "列名无效");
  dlg.lblOKClick();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("消息|查询传输表“bi_item”出错：", 0), 0u) << messages[0];
  EXPECT_NE(messages[0].find("列名无效"), std::string::npos);
  EXPECT_EQ(dlg.grdData->model()->rowCount(), 3);
  EXPECT_EQ(dlg.qryData.RecordCount(), 3);
}

// A checkpoint that cannot be read is an error, not a query from the start.
TEST_F(AppTransQueryTest, FailedCheckpointReadIsAnError) {
  TAppTransQuery dlg;
  dlg.show();
  Choose(dlg, "bi_item|bi_t_item");
  for (const char* failing :
       {"select last_date from spf_t_trans_record%", "select last_change from spf_t_trans_record%"}) {
    messages.clear();
    db.ClearFailures();
    db.FailStatements(failing, "连接中断");
    const auto sql = SqlSent([&] { dlg.lblOKClick(); });
    for (const auto& statement : sql) EXPECT_EQ(statement.find("bi_t_item where"), std::string::npos) << statement;
    ASSERT_EQ(messages.size(), 1u) << failing;
    EXPECT_EQ(messages[0].rfind("消息|读取传输表“bi_item”的传输标记出错：", 0), 0u) << messages[0];
    EXPECT_NE(messages[0].find("连接中断"), std::string::npos);
    EXPECT_FALSE(dlg.qryData.Active());
  }
}

struct FindCase {
  const char* Value;
  int Row;  // -1: not found
};

// Finding by a column chosen from its title: the first row whose value begins with the trimmed
// value, without regard to case; and every refusal before it.
TEST_F(AppTransQueryTest, FindByColumn) {
  TAppTransQuery dlg;
  dlg.show();
  dlg.lblLocatClick();
  EXPECT_EQ(messages, std::vector<std::string>{"消息|请点击表格字段选择定位字段！"});
  Choose(dlg, "bi_item|bi_t_item");
  dlg.chkLastChange->setChecked(true);
  messages.clear();
  dlg.lblOKClick();
  dlg.grdDataTitleClick(0);
  EXPECT_EQ(dlg.LocatField(), "item_no");
  EXPECT_EQ(dlg.lblLocalField->text().toStdString(), "字段：item_no");
  dlg.edtLocatValue->setText("  ");
  dlg.lblLocatClick();
  EXPECT_EQ(messages, std::vector<std::string>{"消息|请输入待定位[item_no]字段的取值！"});
  const std::vector<FindCase> cases = {{"ab", 1}, {" AbD ", 2}, {"CAB", 0}, {"b", -1}, {"abc2x", -1}};
  for (const auto& c : cases) {
    messages.clear();
    dlg.edtLocatValue->setText(c.Value);
    dlg.lblLocatClick();
    if (c.Row >= 0) {
      EXPECT_EQ(dlg.CurrentRow(), c.Row) << c.Value;
      EXPECT_TRUE(messages.empty()) << c.Value;
    } else {
      const std::string value = TrimControls(c.Value);
      EXPECT_EQ(messages, std::vector<std::string>{"消息|抱歉，未找到[item_no]字段的取值为[" + value + "]的记录！"});
    }
  }
  EXPECT_EQ(Cell(dlg, 1, 0), "ABC2");
  EXPECT_EQ(Cell(dlg, 1, 1), "乙");
  dlg.edtLocatValue->setText("abd");
  dlg.lblLocatClick();
  EXPECT_EQ(dlg.CurrentRow(), 2);
  EXPECT_EQ(vqtest::SaveScreenshot(dlg, "transfer_query").empty(), false);
}

// Each result column is as wide as its title and its values, up to the maximum; a value longer
// than that is cut at the maximum rather than widening the grid beyond reading.
TEST_F(AppTransQueryTest, ColumnsFitTitlesAndValues) {
  ASSERT_TRUE(db.Exec("create table bi_t_branch(branch_no varchar(10), branch_name varchar(60), memo varchar(400))"));
  const std::string longMemo(120, 'w');
  ASSERT_TRUE(
      db.Exec("insert into bi_t_branch values('01','城东第一旗舰专卖店总店','" + longMemo + "'),('02','乙','x')"));
  ASSERT_TRUE(db.Exec(
      "insert into spf_t_trans_table(trans_index,soft_ver,trans_state,soft_dist,trans_type,trans_table,table_name,"
      "get_delete_sql,get_update_sql) values(4,'00012',1,0,'BR','bi_branch','bi_t_branch','',"
      "'select branch_no,branch_name,memo from bi_t_branch where :last_change>=-1')"));
  TAppTransQuery dlg;
  dlg.show();
  Choose(dlg, "bi_branch|bi_t_branch");
  const auto click = [](QWidget* aWidget) {
    QTest::mouseClick(aWidget, Qt::LeftButton, {}, QPoint(6, aWidget->height() / 2));
  };
  click(dlg.chkLastChange);
  ASSERT_TRUE(dlg.chkLastChange->isChecked());
  click(dlg.lblOK);
  ASSERT_TRUE(messages.empty());
  QAbstractItemModel* model = dlg.grdData->model();
  ASSERT_EQ(model->columnCount(), 3);
  ASSERT_EQ(model->rowCount(), 2);
  QTest::mouseClick(dlg.grdData->viewport(), Qt::LeftButton, {}, dlg.grdData->visualRect(model->index(0, 1)).center());
  ASSERT_EQ(dlg.CurrentRow(), 0);
  // The titles of the current row's columns are drawn bold.
  QFont bold = dlg.grdData->horizontalHeader()->font();
  bold.setBold(true);
  const QFontMetrics titleFont(bold);
  const QFontMetrics cellFont(dlg.grdData->font());
  for (int column = 0; column < model->columnCount(); ++column) {
    const QString title = model->headerData(column, Qt::Horizontal).toString();
    SCOPED_TRACE(title.toStdString());
    int widest = 0;
    for (int row = 0; row < model->rowCount(); ++row)
      widest = std::max(widest, cellFont.horizontalAdvance(model->index(row, column).data().toString()));
    const int width = dlg.grdData->columnWidth(column);
    EXPECT_GE(width, titleFont.horizontalAdvance(title));
    EXPECT_GE(width, std::min(widest, TAppTransQuery::kMaxColumnWidth));
    EXPECT_LE(width, TAppTransQuery::kMaxColumnWidth);
  }
  EXPECT_EQ(dlg.grdData->columnWidth(2), TAppTransQuery::kMaxColumnWidth);
  EXPECT_EQ(vqtest::SaveScreenshot(dlg, "transfer_query_columns").empty(), false);
}

// A result without rows finds nothing, silently; the chosen field stays for the next query.
TEST_F(AppTransQueryTest, FindWithoutRows) {
  TAppTransQuery dlg;
  dlg.show();
  Choose(dlg, "bi_item|bi_t_item");
  dlg.chkLastChange->setChecked(true);
  dlg.lblOKClick();
  dlg.grdDataTitleClick(1);
  ASSERT_TRUE(db.Exec("delete from bi_t_item"));
  dlg.lblOKClick();
  ASSERT_TRUE(dlg.qryData.Active());
  dlg.edtLocatValue->setText("x");
  dlg.lblLocatClick();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(dlg.LocatField(), "item_name");
}

}  // namespace
}  // namespace tessaly
