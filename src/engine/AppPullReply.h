#pragma once
// The reply of a pull request made readable for the record classes of the pulls. Pure
// function; any thread.
#include <string>
#include <vector>

namespace tessaly {

// The reply text as the reply classes read it.
// aRenameWxApp: the mini-program order members pos_wxapp_master, pos_wxapp_detail and
// pos_wxapp_pay are renamed pos_master, pos_detail and pos_pay, at any depth (member names only).
// A null element of the record array oResult.<aMember> is a missing record: it becomes an empty
// object, so that the other records of the page still read, and aMissing (one flag per element
// of that array, empty when there is no such array) marks it; the caller must neither store nor
// hand over a marked record. A reply that is no JSON, or nests deeper than kJsonMaxDepth, comes
// back unchanged, so that reading it reports why.
[[nodiscard]] std::string ReadablePullReply(const std::string& aReply, const char* aMember, bool aRenameWxApp,
                                            std::vector<bool>& aMissing);

}  // namespace tessaly
