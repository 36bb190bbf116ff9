// Reading pull replies with the pulls' rules: the mini-program's member names, missing records
// and members given twice.
#include "engine/AppPullReply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/AppObjectsUtil.h"

namespace {

using tessaly::ReadPullReply;
using tessaly::TPosRespond;
using tessaly::TPosRespond2;

std::string Applet(const std::string& order) {
  return R"({"bResult":true,"errMsg":"","oResult":{"softid":5,"wxposResult":[)" + order + "]}}";
}

// The pos_wxapp_* members are read as pos_*, at any depth and whichever of the two names comes
// first; a value that holds such a name is data and stays.
TEST(AppPullReply, WxAppMembersWinOverPlainNamesWhereverTheyStand) {
  const std::string orders[] = {
      R"({"pos_master":{"sheet_no":"plain"},"pos_wxapp_master":{"sheet_no":"W1","pos_memo":"pos_wxapp_master"},
          "pos_wxapp_detail":[{"sheet_sort":1},{"sheet_sort":2}],"pos_detail":[{"sheet_sort":9}]})",
      R"({"pos_wxapp_master":{"sheet_no":"W1","pos_memo":"pos_wxapp_master"},"pos_master":{"sheet_no":"plain"},
          "pos_detail":[{"sheet_sort":9}],"pos_wxapp_detail":[{"sheet_sort":1},{"sheet_sort":2}]})",
  };
  for (const std::string& order : orders) {
    TPosRespond2 reply;
    std::vector<bool> missing;
    std::string erro;
    ASSERT_TRUE(ReadPullReply(Applet(order), "wxposResult", true, reply, missing, erro)) << erro;
    ASSERT_NE(reply.oResult, nullptr);
    ASSERT_EQ(reply.oResult->wxposResult.size(), 1U);
    const auto& read = reply.oResult->wxposResult[0];
    ASSERT_NE(read.pos_master, nullptr);
    EXPECT_EQ(read.pos_master->Get<"sheet_no">(), "W1") << order;
    EXPECT_EQ(read.pos_master->Get<"pos_memo">(), "pos_wxapp_master");
    ASSERT_EQ(read.pos_detail.size(), 2U) << order;
    EXPECT_EQ(read.pos_detail[1].Get<"sheet_sort">(), 2);
    EXPECT_EQ(missing, std::vector<bool>{false});
  }
  // Without the rule the wxapp names are unknown members.
  TPosRespond2 reply;
  std::vector<bool> missing;
  std::string erro;
  ASSERT_TRUE(
      ReadPullReply(Applet(R"({"pos_wxapp_master":{"sheet_no":"W1"}})"), "wxposResult", false, reply, missing, erro));
  EXPECT_EQ(reply.oResult->wxposResult[0].pos_master, nullptr);
}

// A member given twice keeps its last copy, a null one included; the renamed members win
// wherever they stand, and a plain member they replace is not checked, so it cannot refuse the
// page; a plain member that nothing replaces is checked as ever.
TEST(AppPullReply, LastCopyWinsAndRenamedMembersReplacePlainOnes) {
  const std::string w1 = R"({"pos_wxapp_master":{"sheet_no":"W1"}})";
  const struct {
    std::string text;
    bool reads;
    bool result;  // oResult is there
    std::size_t orders;
    const char* sheet;  // of the first order; nullptr: it has no header
    std::size_t lines;  // of the first order
    bool bResult;
  } cases[] = {
      {R"({"bResult":true,"oResult":{"wxposResult":[)" + w1 + R"(]},"oResult":null})", true, false, 0, nullptr, 0,
       true},
      {R"({"bResult":true,"oResult":null,"oResult":{"wxposResult":[)" + w1 + "]}}", true, true, 1, "W1", 0, true},
      {R"({"bResult":true,"bResult":null,"oResult":{"wxposResult":[)" + w1 + "]}}", true, true, 1, "W1", 0, false},
      {R"({"bResult":true,"oResult":{"wxposResult":[)" + w1 + R"(],"wxposResult":null}})", true, true, 0, nullptr, 0,
       true},
      {Applet(R"({"pos_wxapp_master":{"sheet_no":"W1"},"pos_wxapp_master":null})"), true, true, 1, nullptr, 0, true},
      {Applet(R"({"pos_wxapp_master":{"sheet_no":"W1","sheet_no":null}})"), true, true, 1, "", 0, true},
      {Applet(R"({"pos_wxapp_master":{"sheet_no":"W1"},"pos_wxapp_detail":[{},{}],"pos_wxapp_detail":[{}]})"), true,
       true, 1, "W1", 1, true},
      {Applet(R"({"pos_master":"plain","pos_wxapp_master":{"sheet_no":"W1"}})"), true, true, 1, "W1", 0, true},
      {Applet(R"({"pos_master":{"softid":"5","x":[1]},"pos_wxapp_master":{"sheet_no":"W1"}})"), true, true, 1, "W1", 0,
       true},
      {Applet(R"({"pos_master":null,"pos_wxapp_master":{"sheet_no":"W1"}})"), true, true, 1, "W1", 0, true},
      {Applet(R"({"pos_wxapp_master":null,"pos_master":{"sheet_no":"plain"}})"), true, true, 1, nullptr, 0, true},
      {Applet(R"({"pos_detail":[null,3],"pos_wxapp_detail":[{"sheet_sort":1}],"pos_wxapp_master":{"sheet_no":"W1"}})"),
       true, true, 1, "W1", 1, true},
      {Applet(R"({"pos_master":{"sheet_no":"plain"}})"), true, true, 1, "plain", 0, true},
      {Applet(R"({"pos_master":"plain"})"), false, false, 0, nullptr, 0, false},
      {Applet(R"({"pos_master":{"softid":"5"},"pos_wxapp_detail":[]})"), false, false, 0, nullptr, 0, false},
      {Applet(R"({"pos_wxapp_master":{"sheet_no":"W1"},"pos_wxapp_master":"late"})"), false, false, 0, nullptr, 0,
       false},
  };
  for (const auto& c : cases) {
    TPosRespond2 reply;
    std::vector<bool> missing;
    std::string erro;
    ASSERT_EQ(ReadPullReply(c.text, "wxposResult", true, reply, missing, erro), c.reads) << c.text << erro;
    if (!c.reads) {
      EXPECT_NE(erro.find("does not fit"), std::string::npos) << c.text << erro;
      continue;
    }
    EXPECT_EQ(reply.bResult, c.bResult) << c.text;
    ASSERT_EQ(reply.oResult != nullptr, c.result) << c.text;
    if (!c.result) {
      EXPECT_TRUE(missing.empty()) << c.text;
      continue;
    }
    ASSERT_EQ(reply.oResult->wxposResult.size(), c.orders) << c.text;
    EXPECT_EQ(missing, std::vector<bool>(c.orders, false)) << c.text;
    if (c.orders == 0) continue;
    const auto& order = reply.oResult->wxposResult[0];
    ASSERT_EQ(order.pos_master != nullptr, c.sheet != nullptr) << c.text;
    if (c.sheet != nullptr) {
      EXPECT_EQ(order.pos_master->Get<"sheet_no">(), c.sheet) << c.text;
    }
    EXPECT_EQ(order.pos_detail.size(), c.lines) << c.text;
  }
}

// A null record is read as an empty one and flagged; the flags follow the array the records
// came from, also when oResult or the array is given twice.
TEST(AppPullReply, NullRecordsAreFlaggedMissing) {
  const struct {
    std::string text;
    std::size_t records;
    std::vector<bool> missing;
  } cases[] = {
      {R"({"bResult":true,"oResult":{"posResult":[{"pos_master":{"sheet_no":"S1"}},null,{}]}})",
       3,
       {false, true, false}},
      {R"({"bResult":true,"oResult":{"posResult":[null,null]},"oResult":{"softid":5}})", 0, {}},
      {R"({"bResult":true,"oResult":{"posResult":[null],"posResult":[{},null]}})", 2, {false, true}},
      {R"({"bResult":true,"oResult":{"last_change":3}})", 0, {}},
      {R"({"bResult":true,"oResult":{"other":[null]}})", 0, {}},
  };
  for (const auto& c : cases) {
    TPosRespond reply;
    std::vector<bool> missing{true, true, true, true};
    std::string erro;
    ASSERT_TRUE(ReadPullReply(c.text, "posResult", false, reply, missing, erro)) << c.text << erro;
    ASSERT_NE(reply.oResult, nullptr);
    EXPECT_EQ(reply.oResult->posResult.size(), c.records) << c.text;
    EXPECT_EQ(missing, c.missing) << c.text;
  }
  // Outside that array a null record does not fit.
  TPosRespond reply;
  std::vector<bool> missing;
  std::string erro;
  EXPECT_FALSE(
      ReadPullReply(R"({"oResult":{"posResult":[{"pos_detail":[null]}]}})", "posResult", false, reply, missing, erro));
  EXPECT_NE(erro.find("\"oResult.posResult[0].pos_detail[0]\" of type null"), std::string::npos) << erro;
}

// A text that is no JSON reports that, even where a value before the fault does not fit; one
// nested too deep is refused before it is read.
TEST(AppPullReply, BrokenRepliesSayWhy) {
  const struct {
    std::string text;
    const char* says;
  } cases[] = {
      {R"({"bResult":"yes","oResult":{)", "parse error"},
      {R"({"bResult":"yes"})", "\"bResult\" of type string does not fit property type Boolean"},
      {"[" + std::string(600, '[') + std::string(601, ']'), "nested deeper than 512"},
      {"<html>", "parse error"},
  };
  for (const auto& c : cases) {
    TPosRespond reply;
    std::vector<bool> missing;
    std::string erro;
    EXPECT_FALSE(ReadPullReply(c.text, "posResult", false, reply, missing, erro)) << c.text;
    EXPECT_NE(erro.find(c.says), std::string::npos) << erro;
  }
}

}  // namespace
