#pragma once
// The reply of a pull request read into its reply class, with the pulls' own reading rules.
// Pure function; any thread.
#include <string>
#include <vector>

#include "foundation/VqObjectUtil.h"

namespace tessaly {

// Reads aReply into aRespond as ReadVqObject does (false with aErro set), in one pass and
// without a second copy of the text, so that a page at the reply cap stays within a few times
// its size in memory.
// aRenameWxApp: the mini-program order members pos_wxapp_master, pos_wxapp_detail and
// pos_wxapp_pay are read as pos_master, pos_detail and pos_pay, at any depth (member names only).
// A null element of the record array oResult.<aMember> is a missing record: it is read as an
// empty record, so that the other records of the page still read, and aMissing (one flag per
// element of that array, empty when there is no such array) marks it; the caller must neither
// store nor hand over a marked record.
[[nodiscard]] bool ReadPullReply(const std::string& aReply, const char* aMember, bool aRenameWxApp, TVqObject& aRespond,
                                 std::vector<bool>& aMissing, std::string& aErro);

}  // namespace tessaly
