// The upload cycle end to end: a catalogue of tables goes through the worker, the test driver
// database and the fake platform; paging, change detection and checkpoints.
#include <gtest/gtest.h>

#include "UploadWorkerFixture.h"

namespace tessaly {
namespace {

using vqtest::CatalogueRow;

// One cycle over a mixed catalogue sends every row of every table, with the page shapes of the
// special tables, writes each table's checkpoint, and a second cycle sends nothing new.
TEST_F(UploadWorkerTest, CatalogueUploadsEveryRow) {
  MakeItems("bi_t_item", 1, 45);
  AddItemsCatalogue("bi_t_item");
  // Delete pass first: its change number is the newest of bi_t_datadelete.
  std::string error;
  ASSERT_TRUE(db.Exec("create table gone_item(item_no varchar(20), local_change int)", &error)) << error;
  ASSERT_TRUE(db.Exec("insert into gone_item values('X1',1),('X2',2)", &error)) << error;
  AddDeleteChange("gone_item", 2);
  CatalogueRow deleted;
  deleted.transTable = "bi_t_gone";
  deleted.tableName = "bi_t_gone";
  deleted.table2Name = "gone_item";
  deleted.deleteSql = "select item_no from gone_item where local_change > :last_change";
  AddCatalogue(deleted);
  // Date mode on sys_t_image: one row per page.
  ASSERT_TRUE(
      db.Exec("insert into sys_t_image values(1,'2024-01-01 10:00:00.000'),(2,'2024-01-02 10:00:00.000'),"
              "(3,'2024-01-03 10:00:00.250')",
              &error))
      << error;
  CatalogueRow image;
  image.transTable = "bi_t_image";
  image.tableName = "sys_t_image";
  image.transTag = 1;
  image.updateSql = "select image_id, update_time from sys_t_image where update_time > :last_date order by image_id";
  AddCatalogue(image);
  // All branches in one page.
  MakeItems("branch_src", 1, 25);
  AddItemsCatalogue("branch_src", "sys_system_branch");
  // Member points and the product version table.
  ASSERT_TRUE(db.Exec("create table vip_src(vip_no varchar(20), vip_integral numeric(16,4))", &error)) << error;
  ASSERT_TRUE(db.Exec("insert into vip_src values('V1',10),('V2',20.5)", &error)) << error;
  CatalogueRow vip;
  vip.transTable = "vipintegral";
  vip.tableName = "vip_src";
  vip.updateSql = "select :softid as softid, vip_no, vip_integral from vip_src order by vip_no";
  AddCatalogue(vip);
  SetMaxChange("ver_src", 1);
  CatalogueRow ver;
  ver.transTable = "sys_softver";
  ver.tableName = "ver_src";
  ver.updateSql = "select :soft_ver as soft_ver";
  ver.deleteSql = "select 1 as never";
  AddCatalogue(ver);

  RunCycle();

  EXPECT_EQ(PostedChanges("bi_t_item"), Range(1, 45));
  EXPECT_EQ(logView->Count("[bi_t_item]上传表[bi_t_item]数据[lastchange-1]，共45条记录，分3页(每页20条)上传..."), 1u);
  EXPECT_EQ(PostedRows("sys_system_branch").size(), 25u);
  EXPECT_EQ(
      logView->Count("[sys_system_branch]上传表[branch_src]数据[lastchange-1]，共25条记录，分1页(每页25条)上传..."),
      1u);
  EXPECT_EQ(PostedRows("bi_t_image").size(), 3u);
  EXPECT_EQ(logView->Count("[bi_t_image]上传表[sys_t_image]数据[lastchange-1]，共3条记录，分3页(每页1条)上传..."), 1u);
  EXPECT_EQ(PostedRows("vipintegral").size(), 2u);
  EXPECT_EQ(PostedRows("sys_softver").size(), 1u);
  const auto deletes = PostedRows("sys_delete");
  ASSERT_EQ(deletes.size(), 1u);
  EXPECT_EQ(deletes[0]["tab_id"], "bi_t_gone");
  EXPECT_EQ(deletes[0]["tab_json"], "[{\"item_no\":\"X1\"},{\"item_no\":\"X2\"}]");
  EXPECT_EQ(logView->Count("[bi_t_gone]上传表[bi_t_gone]删除数据[lastchange-1]，共2条记录，分1页(每页20条)上传..."),
            1u);
  // 3 + 1 + 3 + 1 + 1 + 1 pages.
  EXPECT_EQ(PostedPages().size(), 10u);

  EXPECT_EQ(Checkpoint("BI", "bi_t_item"), 45);
  EXPECT_EQ(Checkpoint("D-BI", "bi_t_gone"), 2);
  EXPECT_EQ(Checkpoint("BI", "sys_t_image"), 0);  // date mode: one above the missing checkpoint
  EXPECT_EQ(db.Value("select last_date from spf_t_trans_record where trans_type='BI' and table_name='sys_t_image'"),
            "2024-01-03 10:00:00.250");
  EXPECT_EQ(Checkpoint("BI", "branch_src"), 25);
  EXPECT_EQ(Checkpoint("BI", "ver_src"), std::nullopt);
  EXPECT_EQ(Checkpoint("D-BI", "ver_src"), std::nullopt);
  EXPECT_EQ(logView->Count("[sys_softver]**软件版本表只上传一次**"), 1u);
  EXPECT_EQ(logView->Count("[上传]全部表数据上传完成"), 1u);

  // Nothing changed: only the points table runs again, and its members did not change.
  RunCycle();
  EXPECT_EQ(PostedPages().size(), 10u);
  EXPECT_EQ(logView->Count("[vipintegral][1/1]生成数据集JSON失败：无积分变动"), 1u);
  EXPECT_EQ(logView->Count("[上传]无数据上传"), 1u);
}

struct PagingCase {
  int rows;
  int pageSize;
  std::vector<std::string> pageLines;  // the page lines, in order
  int checkpoint;
};

// Rows split into pages of the page size, the last one shorter; between pages the checkpoint
// moves to the last row sent, and the table ends on the back office's change number.
TEST_F(UploadWorkerTest, PagesAndIntermediateCheckpoints) {
  const PagingCase cases[] = {
      {45,
       20,
       {"[t][1/3]数据上传完成，按页更新传输标记[20]", "[t][2/3]数据上传完成，按页更新传输标记[40]",
        "[t][3/3]数据上传成功"},
       45},
      {40, 20, {"[t][1/2]数据上传完成，按页更新传输标记[20]", "[t][2/2]数据上传成功"}, 40},
      {3, 20, {"[t][1/1]数据上传成功"}, 3},
  };
  int tableNo = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    logView->Clear();
    appVar.UploadPageSize.v(c.pageSize);
    const std::string table = "t" + std::to_string(++tableNo);
    MakeItems(table, 1, c.rows);
    ASSERT_TRUE(db.Exec("delete from spf_t_trans_table"));
    AddItemsCatalogue(table, "t");
    const std::size_t before = PostedPages().size();
    RunCycle();
    EXPECT_EQ(PostedPages().size() - before, c.pageLines.size());
    std::vector<std::string> lines;
    for (const auto& line : logView->With("[t][")) {
      if (line.find("按页更新传输标记") != std::string::npos || line.find("数据上传成功") != std::string::npos)
        lines.push_back(line.substr(line.find("[t][")));
    }
    EXPECT_EQ(lines, c.pageLines);
    EXPECT_EQ(logView->Count("[t][" + std::to_string(c.pageLines.size()) + "/" + std::to_string(c.pageLines.size()) +
                             "]数据上传完成，更新传输标记[" + std::to_string(c.rows) + "]"),
              1u);
    EXPECT_EQ(Checkpoint("BI", table), c.checkpoint);
  }
}

struct MarkCase {
  std::vector<int> values;
  int stored;  // the checkpoint after page 1 when page 2 never gets through
};

// The checkpoint after a page is its last row's value, one less when the next row holds the
// same value, so when the following page fails the next cycle still selects every unsent row.
TEST_F(UploadWorkerTest, IntermediateCheckpointNeverPassesUnsentRows) {
  const MarkCase cases[] = {
      {{5, 6, 7, 8}, 6}, {{5, 6, 7, 7}, 6}, {{5, 6, 7}, 6}, {{5, 6, 6, 7}, 5}, {{5, 5, 5, 9}, 4},
  };
  appVar.UploadPageSize.v(2);
  int tableNo = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.values));
    const std::string table = "m" + std::to_string(++tableNo);
    MakeItemsWithValues(table, c.values);
    ASSERT_TRUE(db.Exec("delete from spf_t_trans_table"));
    AddItemsCatalogue(table);
    const std::size_t before = PostedPages().size();
    server.Enqueue(kUploadPath, Accepted());
    for (int i = 0; i < 3; ++i) server.Enqueue(kUploadPath, vqtest::FakeReply::Status(500));
    RunCycle();
    EXPECT_EQ(PostedPages().size() - before, 4u);
    EXPECT_EQ(Checkpoint("BI", table), c.stored);

    // The next cycle sends every row above the checkpoint: nothing unsent is skipped.
    const std::size_t sent = PostedRows(table).size();
    RunCycle();
    const auto rows = PostedRows(table);
    std::vector<int> resent;
    for (std::size_t i = sent; i < rows.size(); ++i) resent.push_back(rows[i]["trans_last_change"].get<int>());
    std::vector<int> expected;
    for (int v : c.values)
      if (v > c.stored) expected.push_back(v);
    EXPECT_EQ(resent, expected);
    EXPECT_EQ(Checkpoint("BI", table), *std::max_element(c.values.begin(), c.values.end()));
  }
}

}  // namespace
}  // namespace tessaly
