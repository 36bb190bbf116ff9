// Date-mode tables (changes found by the newest change date): what the checkpoints between
// pages hold, so that a table cut short resumes with the rows it has not sent.
#include <gtest/gtest.h>

#include "UploadWorkerFixture.h"

namespace tessaly {
namespace {

using vqtest::CatalogueRow;
using vqtest::FakeReply;

const std::string kNoDate = "1899-12-30 00:00:00.000";
const std::string kNewestDate = "2024-01-03 10:00:00.250";

class UploadWorkerDateTest : public UploadWorkerTest {
 protected:
  void SetUp() override {
    UploadWorkerTest::SetUp();
    std::string error;
    ASSERT_TRUE(db.Exec("insert into sys_t_image values(1,'2024-01-01 10:00:00.000'),(2,'2024-01-02 10:00:00.000'),"
                        "(3,'" + kNewestDate + "')",
                        &error))
        << error;
    // sys_t_image goes one row a page: three pages, with a checkpoint after pages 1 and 2.
    CatalogueRow image;
    image.transTable = "bi_t_image";
    image.tableName = "sys_t_image";
    image.transTag = 1;
    image.updateSql =
        "select image_id, update_time, image_id as trans_last_change from sys_t_image where update_time > :last_date "
        "order by update_time";
    AddCatalogue(image);
  }

  [[nodiscard]] std::optional<std::string> CheckpointDate() {
    return db.Value("select last_date from spf_t_trans_record where trans_type='BI' and table_name='sys_t_image'");
  }
  [[nodiscard]] std::vector<int> PostedImages() const {
    std::vector<int> out;
    for (const auto& row : PostedRows("bi_t_image")) out.push_back(row["image_id"].get<int>());
    return out;
  }
};

// A table cut short after page 1, by three failed attempts on page 2 or by a stop during it,
// keeps the old date between pages: the next cycle still sees a change, sends the rows from the
// old date on and only then stores the newest date.
TEST_F(UploadWorkerDateTest, CutShortTableKeepsTheOldDateUntilItsLastPage) {
  struct Case {
    const char* name;
    bool stop;  // false: page 2 fails three times
  } const cases[] = {{"three failures on page 2", false}, {"stop during page 2", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(db.Exec("delete from spf_t_trans_record"));
    logView->Clear();
    const std::size_t before = PostedImages().size();
    server.Enqueue(kUploadPath, Accepted());
    if (c.stop) {
      server.Enqueue(kUploadPath, FakeReply::Held("page2", Accepted()));
      if (workers.empty()) AddWorker(false);
      const std::size_t requests = server.Requests().size();
      appVar.UploadState.v(TUploadState::StartRequested);
      ASSERT_TRUE(server.WaitForRequests(requests + 2));
      appVar.UploadState.v(TUploadState::StopRequested);
      server.Release("page2");
      ASSERT_TRUE(WaitState(TUploadState::StoppedAfterStop));
      EXPECT_EQ(logView->Count("[bi_t_image][2/3]检测到服务停止/退出，中断传输任务"), 1u);
    } else {
      for (int attempt = 0; attempt < 3; ++attempt) server.Enqueue(kUploadPath, Refused());
      RunCycle();
      EXPECT_EQ(logView->Count("[bi_t_image][2/3]上传失败1：refused"), 3u);
    }
    const auto firstCycle = PostedImages();
    EXPECT_EQ(std::vector<int>(firstCycle.begin() + static_cast<std::ptrdiff_t>(before), firstCycle.end()),
              c.stop ? (std::vector<int>{1, 2}) : (std::vector<int>{1, 2, 2, 2}));
    EXPECT_EQ(logView->Count("[bi_t_image][1/3]数据上传完成，按页更新传输标记[1]"), 1u);
    EXPECT_EQ(Checkpoint("BI", "sys_t_image"), 1);
    EXPECT_EQ(CheckpointDate(), kNoDate);

    // The next cycle finds the table changed and sends it from the old date.
    const std::size_t sent = PostedImages().size();
    RunCycle();
    const auto images = PostedImages();
    EXPECT_EQ(std::vector<int>(images.begin() + static_cast<std::ptrdiff_t>(sent), images.end()),
              (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(CheckpointDate(), kNewestDate);

    // Up to date now: nothing more is sent.
    RunCycle();
    EXPECT_EQ(PostedImages().size(), images.size());
  }
}

}  // namespace
}  // namespace tessaly
