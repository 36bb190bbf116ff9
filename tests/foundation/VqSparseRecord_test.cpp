// Records that hold only the members they were given: values come back as they went in, a
// member given again keeps its last value, and the property table sees every member.
#include "foundation/VqSparseRecord.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/JSONHelperUtil.h"
#include "foundation/VqRttiHelperUtil.h"

namespace {

using tessaly::TVqMember;
using tessaly::TVqPropKind;
using tessaly::TVqSparseRecord;

class TSparseLine : public TVqSparseRecord<TSparseLine> {
 public:
  static constexpr TVqMember kMembers[] = {
      {"softid", TVqPropKind::Integer}, {"sheet_no", TVqPropKind::String}, {"qty", TVqPropKind::Double},
      {"memo", TVqPropKind::String},    {"paid", TVqPropKind::Boolean},
  };
  VQ_SPARSE_RECORD(TSparseLine)
};

// The same members as plain fields.
class TPlainLine : public tessaly::TVqObject {
 public:
  int softid = 0;
  std::string sheet_no;
  double qty = 0;
  std::string memo;
  bool paid = false;
  VQ_RECORD(TPlainLine, VQ_PROP(softid), VQ_PROP(sheet_no), VQ_PROP(qty), VQ_PROP(memo), VQ_PROP(paid))
};

// Texts of every length class of the packed length (one, two and three bytes of it), empty,
// NUL-carrying and non-ASCII texts come back unchanged, whichever member is rewritten or erased
// between them.
TEST(VqSparseRecord, ValuesComeBackAsTheyWentIn) {
  const std::string texts[] = {
      "", "S1", std::string("a\0b", 3), "单号", std::string(127, 'x'), std::string(128, 'y'), std::string(16384, 'z')};
  for (const std::string& memo : texts) {
    TSparseLine line;
    line.Set<"sheet_no">("first");
    line.Set<"memo">(memo);
    line.Set<"softid">(-7);
    line.Set<"qty">(2.5);
    line.Set<"paid">(true);
    line.Set<"sheet_no">("second");  // given again: rewritten in the middle of the others
    EXPECT_EQ(line.Get<"memo">(), memo) << memo.size();
    EXPECT_EQ(line.Get<"sheet_no">(), "second");
    EXPECT_EQ(line.Get<"softid">(), -7);
    EXPECT_EQ(line.Get<"qty">(), 2.5);
    EXPECT_TRUE(line.Get<"paid">());

    const TSparseLine copy = line;
    line.Properties()[3].Reset(line);  // memo back to never given
    EXPECT_EQ(line.Get<"memo">(), "");
    EXPECT_EQ(line.Get<"sheet_no">(), "second");
    EXPECT_EQ(line.Get<"qty">(), 2.5);
    EXPECT_EQ(copy.Get<"memo">(), memo);
    EXPECT_EQ(copy.Get<"softid">(), -7);
  }
}

// The property table lists every member in declared order, given or not, with its type name, so
// the JSON and the upsert statement of a sparse record are those of a record with plain fields.
TEST(VqSparseRecord, PropertyTableSeesEveryMember) {
  TSparseLine line;
  const auto& props = line.Properties();
  const TPlainLine plainRecord;
  const auto& plain = plainRecord.Properties();
  ASSERT_EQ(props.size(), plain.size());
  for (std::size_t i = 0; i < props.size(); ++i) {
    EXPECT_EQ(props[i].Name, plain[i].Name);
    EXPECT_EQ(props[i].TypeName, plain[i].TypeName);
    EXPECT_EQ(props[i].Kind, plain[i].Kind);
  }
  EXPECT_THROW(props[2].Set(line, std::string("2")), std::bad_variant_access);

  const struct {
    int softid;
    std::string sheet;
    double qty;
    bool paid;
  } cases[] = {{5, "S'1", 0, false}, {0, "单号", 12.3456789, true}, {-1, "", 1e-5, false}};
  for (const auto& c : cases) {
    TSparseLine sparse;
    sparse.Set<"softid">(c.softid);
    sparse.Set<"sheet_no">(c.sheet);
    if (c.qty != 0) sparse.Set<"qty">(c.qty);
    if (c.paid) sparse.Set<"paid">(true);
    TPlainLine twin;
    twin.softid = c.softid;
    twin.sheet_no = c.sheet;
    twin.qty = c.qty;
    twin.paid = c.paid;
    EXPECT_EQ(tessaly::TJSONHelper::Obj2JSON(sparse), tessaly::TJSONHelper::Obj2JSON(twin)) << c.sheet;
    std::string reason;
    std::string twinReason;
    EXPECT_EQ(tessaly::TVqRttiHelper::GetAdpterSql(sparse, "t_line", "softid,sheet_no", reason),
              tessaly::TVqRttiHelper::GetAdpterSql(twin, "t_line", "softid,sheet_no", twinReason))
        << c.sheet;
    EXPECT_EQ(reason, twinReason);
  }
}

}  // namespace
