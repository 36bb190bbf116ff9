// The bytes of each kind of upload page, and the field hook's changes to single values.
#include <gtest/gtest.h>

#include "UploadWorkerFixture.h"
#include "foundation/VqLibText.h"
#include "platform/TextCodec.h"
#include "support/TempDir.h"

namespace tessaly {
namespace {

using vqtest::CatalogueRow;

class PageJsonTest : public UploadWorkerTest {
 protected:
  // One table whose rows come from `select`, sent in one cycle; the pages posted.
  std::vector<std::string> PagesOf(const std::string& transTable, const std::string& select, bool deletePass = false) {
    CatalogueRow row;
    row.transTable = transTable;
    row.tableName = "src";
    (deletePass ? row.deleteSql : row.updateSql) = select;
    AddCatalogue(row);
    if (deletePass)
      AddDeleteChange("src", 1);
    else
      SetMaxChange("src", 1);
    RunCycle();
    return PostedPages();
  }
  void Exec(const std::string& sql) {
    std::string error;
    ASSERT_TRUE(db.Exec(sql, &error)) << error;
  }
};

// An update page: one member named after the sync table holding the window's row objects.
TEST_F(PageJsonTest, UpdatePage) {
  Exec("create table src(item_no varchar(20), item_name varchar(60), price numeric(16,4), qty int)");
  Exec("insert into src values('A1','苹果\"1',12.5,3),('B/2',NULL,NULL,NULL)");
  EXPECT_EQ(
      PagesOf("bi_t_item", "select item_no, item_name, price, qty from src order by item_no"),
      std::vector<std::string>{R"({"bi_t_item":[{"item_no":"A1","item_name":"\u82F9\u679C\"1","price":12.5,"qty":3},)"
                               R"({"item_no":"B\/2","item_name":"","price":0,"qty":0}]})"});
}

// A delete page: the rows as an escaped array text inside the one sys_delete record.
TEST_F(PageJsonTest, DeletePage) {
  Exec("create table src(item_no varchar(20), local_change int)");
  Exec("insert into src values('A1',1),('中',1)");
  EXPECT_EQ(PagesOf("bi_t_item", "select item_no from src order by local_change, item_no", true),
            std::vector<std::string>{R"({"sys_delete":[{"softid":5,"tab_id":"bi_t_item","tab_json":)"
                                     R"("[{\"item_no\":\"A1\"},{\"item_no\":\"\\u4E2D\"}]"}]})"});
}

// A points page: softid and points unquoted, points rounded to two decimals.
TEST_F(PageJsonTest, PointsPage) {
  Exec("create table src(vip_no varchar(20), vip_integral float)");
  Exec("insert into src values('V1',12.345),('V2',1.00005),('V3',-2.5),('V\"4',0),('V5',1.005)");
  EXPECT_EQ(PagesOf("vipintegral", "select :softid as softid, vip_no, vip_integral from src order by vip_no"),
            std::vector<std::string>{
                R"({"vipintegral":[{"softid":5,"vip_no":"V\"4","vip_integral":0.00},)"
                R"({"softid":5,"vip_no":"V1","vip_integral":12.35},{"softid":5,"vip_no":"V2","vip_integral":1.00},)"
                R"({"softid":5,"vip_no":"V3","vip_integral":-2.50},{"softid":5,"vip_no":"V5","vip_integral":1.01}]})"});
}

// bi_branch: the branch number is trimmed, other fields and other tables keep their blanks.
TEST_F(PageJsonTest, BranchNumberIsTrimmed) {
  Exec("create table src(branch_no varchar(20), branch_name varchar(20))");
  Exec("insert into src values(' 001 ',' x ')");
  EXPECT_EQ(PagesOf("BI_Branch", "select branch_no, branch_name from src"),
            std::vector<std::string>{R"({"BI_Branch":[{"branch_no":"001","branch_name":" x "}]})"});
}

struct OperPwCase {
  const char* softVer;
  std::string stored;
  std::string sent;
};

// sys_oper: a stored 32-character password of the digest products goes in lower case; any other
// password is unscrambled and hashed with the login salts; an empty one stays empty.
TEST_F(PageJsonTest, OperatorPasswords) {
  const std::string digest = "0123456789ABCDEF0123456789ABCDEF";
  const std::string scrambled = "abc123";  // as the back office stores it, scrambled
  const OperPwCase cases[] = {
      {"00029", digest, platform::AsciiLower(digest)},
      {"00040", digest, platform::AsciiLower(digest)},
      {"00012", digest, TvqLib::GetMd5("KQ" + TvqLib::StrFoXOR(digest) + "7290")},
      {"00029", scrambled, TvqLib::GetMd5("KQ" + TvqLib::StrFoXOR(scrambled) + "7290")},
      {"00008", scrambled, TvqLib::GetMd5("KQ" + TvqLib::StrFoXOR(scrambled) + "7290")},
      {"00008", "", ""},
  };
  // max_change: the change number that product 00012 reads from the table itself.
  Exec("create table src(oper_id varchar(20), oper_pw varchar(60), max_change int)");
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.softVer) + " " + c.stored);
    appVar.SoftVer = c.softVer;
    db.SetScalar("CHANGE_TRACKING_CURRENT_VERSION", ++n);
    Exec("delete from src");
    Exec("delete from spf_t_trans_table");
    Exec("delete from spf_t_trans_record");
    std::string literal;
    for (char ch : c.stored) literal += ch == '\'' ? std::string("''") : std::string(1, ch);
    Exec("insert into src values('1001','" + literal + "'," + std::to_string(n) + ")");
    const std::size_t before = PostedPages().size();
    const auto pages = PagesOf("sys_oper", "select oper_id, oper_pw from src");
    ASSERT_EQ(pages.size(), before + 1);
    EXPECT_EQ(pages.back(), R"({"sys_oper":[{"oper_id":"1001","oper_pw":")" + c.sent + R"("}]})");
  }
}

// bi_pic: an empty picture is read from the file its name points at, and the name is cut to its
// file part; a name pointing at no file leaves the picture empty.
TEST_F(PageJsonTest, PictureFromFile) {
  vqtest::WriteFileBytes(machine.root() + "/drive_c/pics/a.jpg", std::string("\x01\x02\xFFjpg", 6));
  Exec("create table src(pic_id int, pic_name varchar(100), pic_data varchar(100))");
  Exec(R"(insert into src values(1,'C:\pics\a.jpg',''),(2,'C:\pics\none.jpg',''),(3,'D:/x/b.png','kept'),)"
       R"((4,'',''))");
  EXPECT_EQ(PagesOf("bi_pic", "select pic_id, pic_name, pic_data from src order by pic_id"),
            std::vector<std::string>{R"({"bi_pic":[{"pic_id":1,"pic_name":"a.jpg","pic_data":"AQL\/anBn"},)"
                                     R"({"pic_id":2,"pic_name":"none.jpg","pic_data":""},)"
                                     R"({"pic_id":3,"pic_name":"b.png","pic_data":"kept"},)"
                                     R"({"pic_id":4,"pic_name":"","pic_data":""}]})"});
}

}  // namespace
}  // namespace tessaly
