#pragma once
// What the transfer reset dialog decides, kept apart from its widgets: the items it offers, the
// reading of its date fields, the confirmation text and the statements it runs on the checkpoint
// table spf_t_trans_record. No database access here; the dialog runs the texts.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "foundation/DateTime.h"

namespace tessaly {

// One check box of the dialog, in panel order.
struct TResetItem {
  const char* Caption;
  const char* TransTable;  // empty for the member-points cache
};

inline constexpr std::array<TResetItem, 18> kResetItems = {{
    {"系统参数", "sys_system_branch"},
    {"机构门店", "bi_branch"},
    {"操作员", "sys_oper"},
    {"商品信息", "bi_item"},
    {"商品类别", "bi_cls"},
    {"商品图片", "bi_pic"},
    {"商品多单位价格", "bi_itempack"},
    {"辅助条码", "bi_itembar"},
    {"分店价格", "bi_distprc"},
    {"会员信息", "vip_info"},
    {"会员使用机构", "vip_branchlimit_master"},
    {"促销", "pos_specresult"},
    {"拉取自助订单", "spf_pos_data"},
    {"会员积分", ""},
    {"门店商品", "bi_branch_item"},
    {"会员类型", "vip_typeinfo"},
    {"拉取小程序订单", "wxp_pos_data"},
    {"拉取小程序会员", "wxp_vip_new"},
}};

inline constexpr int kBranchLimitItem = 10;  // its detail table is reset with it
inline constexpr const char* kBranchLimitDetail = "vip_branchlimit_detail";
inline constexpr int kVipIntegralItem = 13;

// One pull stream's checkpoint, in the order the dialog reads and writes them.
struct TPullStream {
  int Item;               // index into kResetItems
  const char* Table;      // checkpoint table name
  const char* TransType;  // checkpoint type the puller writes
  const char* FailText;   // message before the error of a failed write
  bool WritesZeroChange;  // a change number of 0 is written too (else only above 0)
};

inline constexpr std::array<TPullStream, 3> kPullStreams = {{
    {12, "spf_pos_data", "POS", "重置拉取自助订单操作失败：", true},
    {16, "wxp_pos_data", "POS", "重置拉取小程序订单操作失败：", false},
    {17, "wxp_vip_new", "VIP", "重置拉取小程序会员操作失败：", false},
}};

// The values a pull row is reset to.
struct TPullResetValue {
  int LastChange = 0;
  TDateTime LastDate = 0;
};

// A change number above 0 or a date after the zero date-time.
[[nodiscard]] bool HasResetValue(const TPullResetValue& aValue);

// The contents of a date field under its mask "yyyy-MM-dd hh:mm:ss" (blanks as "_").
enum class TDateFieldState { Empty, Valid, Invalid };
// Empty: no digit typed (aValue 0). Valid: a whole date-time (aValue set). Invalid: partly typed
// or no date-time.
[[nodiscard]] TDateFieldState ReadDateField(const std::string& aText, TDateTime& aValue);

// The read of one pull row's column at show time.
[[nodiscard]] std::string PullReadSql(const std::string& aColumn, const std::string& aTable, int aSoftId);

// The confirmation's item text: the captions joined by commas, then the member-points caption
// when it is ticked.
[[nodiscard]] std::string ResetItemText(const std::vector<std::string>& aCaptions, bool aVipIntegral);

// A ticked pull row and its value.
struct TPullTick {
  const TPullStream* Stream;
  TPullResetValue Value;
};

// Deletes the current enterprise's checkpoints of the sync tables aNames (their catalogue
// tables) except the pull rows that are reset to a value, and those of the pull rows ticked
// without one.
[[nodiscard]] std::string ResetDeleteSql(int aSoftId, const std::string& aSoftVer, const std::vector<std::string>& aNames,
                                         const std::vector<TPullTick>& aTicks);

// The values a pull row with a reset value writes: the change number (when the stream writes it)
// and the date (when it is after the zero date-time).
struct TPullWrite {
  std::optional<int> LastChange;
  std::optional<TDateTime> LastDate;
};
[[nodiscard]] TPullWrite PullWriteOf(const TPullTick& aTick);

}  // namespace tessaly
