// The schema upgrader over upgrade packages in the program's data folder, against the T-SQL test
// driver: stamp rule, order, stop at the first failure, the common package and the text rules.
#include <algorithm>

#include "AppDMFixture.h"
#include "engine/DBUpgraderUtil.h"
#include "support/UpgradePackage.h"

namespace tessaly {
namespace {

using vqtest::UpgradeRow;

// Stamps of the form yyyyMMddHH.mmss: characters 5-10 and 12-15 are the digits compared.
constexpr const char* S1 = "2024050110.0000";
constexpr const char* S2 = "2024050210.0000";
constexpr const char* S3 = "2024050310.0000";
constexpr const char* S4 = "2024050410.0000";
constexpr const char* S5 = "2024050510.0000";

struct StampCase {
  const char* stamp;
  std::int32_t expected;
};

// Only the ten stamp digits count; anything that is no 32-bit number is 0.
TEST(UpVerToIntTest, ReadsTenDigits) {
  const std::vector<StampCase> cases = {
      {"", 0},
      {"   ", 0},
      {"2024050110.0000", 501100000},
      {" 2024050110.0000 ", 501100000},
      {"2024050110-1234xyz", 501101234},
      {"V2024050110", 405011},
      {"2024050110", 50110},
      {"2024", 0},
      {"2024990110.0000", 0},
      {"2024214748.3647", 2147483647},
      {"2024214748.3648", 0},
      {"2024ab0110.0000", 0},
      {"2024-00001.0001", -10001},
  };
  for (const auto& c : cases) EXPECT_EQ(UpVerToInt(c.stamp), c.expected) << '"' << c.stamp << '"';
}

struct BatchCase {
  const char* script;
  std::vector<std::string> batches;
};

// Only a line holding GO alone separates batches; go inside words and lines stays.
TEST(SplitSqlBatchesTest, GoLinesOnly) {
  const std::vector<BatchCase> cases = {
      {"alter table t add category int", {"alter table t add category int"}},
      {"select 1\r\nGO\r\nselect 2", {"select 1", "select 2"}},
      {"select 1\n  go  \nselect 2\n\tGo\r\n", {"select 1", "select 2"}},
      {"GO\r\nselect 'go' as Go, goods_no from t\r\ngO\r\n", {"select 'go' as Go, goods_no from t"}},
      {"select 1 go\r\nselect 2", {"select 1 go\r\nselect 2"}},
      {"go 2\r\nselect 1", {"go 2\r\nselect 1"}},
      {"GO\r\n\r\nGO", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitSqlBatches(c.script), c.batches) << c.script;
}

// A GO line ending in CR alone, or followed by blanks or a "--" comment, separates batches too;
// the server would reject it as text.
TEST(SplitSqlBatchesTest, EverySeparatorLineForm) {
  const std::vector<BatchCase> cases = {
      {"select 1\rGO\rselect 2", {"select 1", "select 2"}},
      {"select 1\r\nGO   \r\nselect 2", {"select 1", "select 2"}},
      {"select 1\r\nGO -- next part\r\nselect 2", {"select 1", "select 2"}},
      {"select 1\ngo--\nselect 2\r go \t-- x\rselect 3", {"select 1", "select 2", "select 3"}},
      {"select 1 -- go\r\nselect 2", {"select 1 -- go\r\nselect 2"}},
      {"-- GO\rselect 1", {"-- GO\rselect 1"}},
      {"select 1\r\ngo x\r\nselect 2", {"select 1\r\ngo x\r\nselect 2"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitSqlBatches(c.script), c.batches) << c.script;
}

struct NameCase {
  std::string script;
  const char* name;
};

// The object name is the text before the first blank of the first 100 characters, cut at "(".
TEST(UpgradeObjectNameTest, FirstWordOfHead) {
  const std::vector<NameCase> cases = {
      {"v_sales as select 1", "v_sales"},
      {"p_x(@a int) as select 1", "p_x"},
      {"fn_a\r\n(@a int) returns int", "fn_a"},
      {"tr_a\non t after insert", "tr_aon"},
      {std::string(120, 'x') + " as select 1", ""},
      {"nospace", ""},
      {"中文视图 as select 1", "中文视图"},
  };
  for (const auto& c : cases) EXPECT_EQ(UpgradeObjectName(c.script), c.name) << c.script;
}

class DBUpgraderTest : public AppDMFixture {
 protected:
  void SetUp() override {
    AppDMFixture::SetUp();
    appVar.SoftVer = "00012";
  }
  void Package(const std::string& name, const std::vector<UpgradeRow>& rows) {
    vqtest::WriteUpgradePackage(dir.file("data/" + name + ".dat"), rows);
  }
  std::optional<std::string> StoredStamp() {
    return db.Value("select sys_value from spf_t_sys_system where softid=5 and sys_id='DBLastUpdateVer'");
  }
  bool TableExists(const std::string& name) {
    return db.Value("select count(*) from sqlite_master where name='" + name + "'") == "1";
  }

  std::string erro;
};

// Scripts newer than the stored stamp run in order (equal stamps both), empty or overflowing
// stamps never run, the last applied stamp is stored, and a later login runs only newer ones.
TEST_F(DBUpgraderTest, StampRuleAndOrder) {
  Package("99999", {});
  Package("00012", {
                       {1, S1, "TB", "up_a",
                        "create table up_a(id int, category varchar(10))\r\nGO\r\n"
                        "insert into up_a(id, category) values(1, 'go')"},
                       {2, S2, "VW", "v_up_a", "v_up_a as select id, category from up_a"},
                       {3, "", "TB", "never1", "create table never1(id int)"},
                       {4, "2024990110.0000", "TB", "never2", "create table never2(id int)"},
                       {5, S2, "PR", "p_up", "p_up(@x int) as select 1"},
                       {6, S3, "", "up_a", "insert into up_a(id, category) values(2, 'Go')"},
                   });
  ASSERT_TRUE(dm.DBUpgrader(erro)) << erro;
  EXPECT_EQ(db.Query("select id, category from up_a order by id"),
            (std::vector<vqtest::TestOdbc::Row>{{"1", "go"}, {"2", "Go"}}));
  EXPECT_TRUE(TableExists("v_up_a"));
  EXPECT_EQ(db.Value("select xtype from vq_test_object where name='p_up'"), "P");
  EXPECT_FALSE(TableExists("never1"));
  EXPECT_FALSE(TableExists("never2"));
  EXPECT_EQ(StoredStamp(), S3);
  EXPECT_EQ(db.Value("select sys_name from spf_t_sys_system where sys_id='DBLastUpdateVer'"), "数据库升级版本");

  // Next login: only the script newer than S3 runs; the view now exists and is altered.
  Package("00012", {
                       {1, S1, "TB", "up_a", "insert into no_such_table values(1)"},
                       {2, S4, "VW", "v_up_a", "v_up_a as select id from up_a"},
                   });
  const auto sent = SqlSent([&] { ASSERT_TRUE(dm.DBUpgrader(erro)) << erro; });
  EXPECT_NE(std::find(sent.begin(), sent.end(), "alter view v_up_a as select id from up_a"), sent.end());
  EXPECT_NE(std::find(sent.begin(), sent.end(), "select * from T_UPList where 1=1 order by i_UpOrderNo"), sent.end());
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& s) { return s.find("no_such") != s.npos; }),
            0);
  EXPECT_EQ(StoredStamp(), S4);
}

// The first failing script stops its package: earlier scripts stay applied, later ones do not
// run, the stamp stays, and the next login runs the applied scripts again.
TEST_F(DBUpgraderTest, StopsAtFirstFailure) {
  Package("99999", {});
  Package("00012", {
                       {1, S1, "TB", "up_b", "create table up_b(id int)"},
                       {2, S2, "TB", "bad", "insert into no_such_table values(1)"},
                       {3, S3, "TB", "up_c", "create table up_c(id int)"},
                   });
  EXPECT_FALSE(dm.DBUpgrader(erro));
  EXPECT_EQ(erro.rfind("升级数据库表失败：", 0), 0u) << erro;
  EXPECT_TRUE(TableExists("up_b"));
  EXPECT_FALSE(TableExists("up_c"));
  EXPECT_FALSE(StoredStamp());
}

// The common package runs first, never stores a stamp and so runs again while its stamp is
// newer than the product's; when it fails the product package does not run.
TEST_F(DBUpgraderTest, CommonPackage) {
  Package("99999", {{1, S5, "", "c", "insert into up_log(what) values('common')"}});
  Package("00012", {{1, S1, "", "p", "insert into up_log(what) values('product')"}});
  ASSERT_TRUE(db.RunTsql("create table up_log(id int identity(1,1), what varchar(20))"));
  ASSERT_TRUE(dm.DBUpgrader(erro)) << erro;
  ASSERT_TRUE(dm.DBUpgrader(erro)) << erro;
  EXPECT_EQ(db.Query("select what from up_log order by id"),
            (std::vector<vqtest::TestOdbc::Row>{{"common"}, {"product"}, {"common"}}));
  EXPECT_EQ(StoredStamp(), S1);

  Package("99999", {{1, S5, "", "c", "insert into no_such_table values(1)"}});
  Package("00012", {{1, S5, "", "p", "insert into up_log(what) values('product2')"}});
  EXPECT_FALSE(dm.DBUpgrader(erro));
  EXPECT_EQ(erro.rfind("升级数据库失败：", 0), 0u) << erro;
  EXPECT_EQ(db.Value("select count(*) from up_log where what='product2'"), "0");
}

// A missing package fails the run unless the product family is 3; then the product package
// still runs after a missing common one. Without a product code only the common one runs.
TEST_F(DBUpgraderTest, MissingPackages) {
  Package("00012", {{1, S1, "TB", "up_d", "create table up_d(id int)"}});
  EXPECT_FALSE(dm.DBUpgrader(erro));
  EXPECT_EQ(erro, "数据升级文件不存在：" + dir.file("data/99999.dat"));
  EXPECT_FALSE(TableExists("up_d"));

  appVar.SoftModel = 3;
  ASSERT_TRUE(dm.DBUpgrader(erro)) << erro;
  EXPECT_TRUE(TableExists("up_d"));

  appVar.SoftVer = "00008";
  erro.clear();
  EXPECT_TRUE(dm.DBUpgrader(erro));
  EXPECT_EQ(erro, "数据升级文件不存在：" + dir.file("data/00008.dat"));

  appVar.SoftModel = 0;
  appVar.SoftVer = "";
  Package("99999", {});
  erro.clear();
  EXPECT_TRUE(dm.DBUpgrader(erro)) << erro;
}

// A product code that is not five digits fails the run before it names any file, so a code
// such as "../evil" cannot run a package outside data/, whatever the product family.
TEST_F(DBUpgraderTest, ProductCodeMustBeFiveDigits) {
  Package("99999", {});
  vqtest::WriteUpgradePackage(dir.file("evil.dat"), {{1, S1, "TB", "evil", "create table evil(id int)"}});
  Package("0001", {{1, S1, "TB", "evil", "create table evil(id int)"}});
  for (const std::string code : {"../evil", "..\\evil", "0001", "000120", "0001a", "/tmp/x", " 0012"}) {
    for (int model : {0, 3}) {
      appVar.SoftVer = code;
      appVar.SoftModel = model;
      erro.clear();
      EXPECT_FALSE(dm.DBUpgrader(erro)) << code;
      EXPECT_EQ(erro, "产品编号无效：" + code);
    }
  }
  EXPECT_FALSE(TableExists("evil"));
}

// A package whose table lacks a column, or that is no package at all, fails the run.
TEST_F(DBUpgraderTest, MalformedPackages) {
  Package("99999", {});
  vqtest::WriteSqliteFile(dir.file("data/00012.dat"),
                          "CREATE TABLE T_UPList(i_UpOrderNo INTEGER, s_Finally_UpTime TEXT, s_UpType TEXT, "
                          "m_UpTxt TEXT, s_UpFileNM TEXT)");
  EXPECT_FALSE(dm.DBUpgrader(erro));
  EXPECT_NE(erro.find("s_UpObject"), std::string::npos) << erro;

  vqtest::WriteSqliteFile(dir.file("data/00012.dat"), "CREATE TABLE other(a int)");
  EXPECT_FALSE(dm.DBUpgrader(erro));
  EXPECT_EQ(erro.rfind("查询“00012”升级脚本失败：", 0), 0u) << erro;
}

struct FailCase {
  const char* type;
  const char* object;
  const char* script;
  const char* prefix;
};

// Each script type reports its failure with its own text, followed by the server's reason.
// Plain scripts fail by a forced statement failure, modules by a lost link.
TEST_F(DBUpgraderTest, FailureTextsByType) {
  const std::vector<FailCase> cases = {
      {"TB", "t", "create table boom_t(id int)", "升级数据库表失败："},
      {"xx", "s", "create table boom_s(id int)", "升级数据库失败："},
      {"vw", "v", "v_boom as select 1 as a", "升级数据库视图失败："},
      {"FN", "f", "fn_boom() returns int as begin return 1 end", "升级数据库函数失败："},
      {"PR", "p_boom", "p_boom as select 1", "升级过程“p_boom”失败："},
      {"TG", "tr_boom", "tr_boom on up_e after insert as select 1", "升级触发器“tr_boom”失败："},
  };
  db.FailStatements("%boom%", "forced failure");
  Package("99999", {});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    const bool module = std::string("TBxx").find(c.type) == std::string::npos;
    Package("00012", {{1, S1, c.type, c.object, c.script}});
    ASSERT_TRUE(dm.CheckConn(erro, nullptr)) << erro;
    if (module) db.SetLinkLost(true);
    erro.clear();
    EXPECT_FALSE(dm.DBUpgrader(erro));
    db.SetLinkLost(false);
    EXPECT_EQ(erro.rfind(c.prefix, 0), 0u) << erro;
    EXPECT_GT(erro.size(), std::string(c.prefix).size()) << erro;
    if (!module) {
      EXPECT_NE(erro.find("forced failure"), std::string::npos) << erro;
    }
    EXPECT_FALSE(StoredStamp());
  }
}

// The create-or-alter choice looks the name up in sysobjects, whatever its object type; a
// script with no blank in its head is created under an empty name.
TEST_F(DBUpgraderTest, ModuleCreateOrAlter) {
  db.RegisterProcedure("p_x");
  ASSERT_TRUE(db.RunTsql("create table v_sales(id int)"));
  Package("99999", {});
  Package("00012", {
                       {1, S1, "PR", "p_x", "p_x(@a int) as select 1"},
                       {2, S1, "PR", "p_y", "p_y as select 2"},
                       {3, S1, "VW", "v_sales", "v_sales as select 1 as id"},
                   });
  std::vector<std::string> sent;
  sent = SqlSent([&] { EXPECT_FALSE(dm.DBUpgrader(erro)); });
  const std::vector<std::string> expectedTail = {
      "select 1 from sysobjects where name='p_x'", "alter procedure p_x(@a int) as select 1",
      "select 1 from sysobjects where name='p_y'", "create procedure p_y as select 2",
      "select 1 from sysobjects where name='v_sales'"};
  auto at = std::find(sent.begin(), sent.end(), expectedTail.front());
  ASSERT_NE(at, sent.end());
  EXPECT_EQ(std::vector<std::string>(at, sent.end()), expectedTail);
  // Altering a table as a view fails on the server; the procedures before it stay.
  EXPECT_EQ(erro.rfind("升级数据库视图失败：", 0), 0u) << erro;
  EXPECT_EQ(db.Value("select count(*) from vq_test_object where name in ('p_x','p_y')"), "2");
}

// A failure to store the stamp does not fail the run and leaves its text; a failure to create
// the parameter table is logged always and the run goes on.
TEST_F(DBUpgraderTest, BookkeepingFailuresDoNotFailRun) {
  Package("99999", {});
  Package("00012", {{1, S1, "TB", "up_f", "create table up_f(id int)"}});
  db.FailStatements("CREATE TABLE spf_t_sys_system%", "no create");
  vqtest::MachineRootLog log(false);
  EXPECT_TRUE(dm.DBUpgrader(erro));
  EXPECT_EQ(erro.rfind("保存升级版本参数失败，", 0), 0u) << erro;
  EXPECT_NE(log.Text().find("[DM] 升级时初始化参数表失败，"), std::string::npos) << log.Text();
  EXPECT_TRUE(TableExists("up_f"));

  db.ClearFailures();
  ASSERT_TRUE(dm.SetCurrSoftId(5, erro)) << erro;
  db.FailStatements("%insert into spf_t_sys_system%", "stamp refused");
  Package("00012", {{1, S1, "TB", "up_g", "create table up_g(id int)"}});
  erro.clear();
  EXPECT_TRUE(dm.DBUpgrader(erro));
  EXPECT_EQ(erro.rfind("保存升级版本参数失败，", 0), 0u) << erro;
  EXPECT_NE(erro.find("stamp refused"), std::string::npos) << erro;
  EXPECT_FALSE(StoredStamp());
}

// The run's detail log names the package, its version and each applied script.
TEST_F(DBUpgraderTest, DetailLogLines) {
  Package("99999", {});
  Package("00012", {{1, S1, "TB", "up_h", "create table up_h(id int)", "up_h.sql"}});
  std::string log = DetailLog([&] { ASSERT_TRUE(dm.DBUpgrader(erro)) << erro; });
  for (const std::string& line :
       {std::string("[DM] 正在检查“99999”升级..."), std::string("[DM] 帐套“99999”当前版本：..."),
        std::string("[DM] 无需升级：99999，版本："), std::string("[DM] 正在升级“up_h.sql”“up_h”..."),
        std::string("[DM] 升级成功：00012，原版本：，最新版本：") + S1})
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  log = DetailLog([&] { ASSERT_TRUE(dm.DBUpgrader(erro)) << erro; });
  EXPECT_NE(log.find(std::string("[DM] 无需升级：00012，版本：") + S1), std::string::npos) << log;
}

}  // namespace
}  // namespace tessaly
