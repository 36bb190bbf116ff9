#include "engine/AppPullReply.h"

namespace tessaly {

bool ReadPullReply(const std::string& aReply, const char* aMember, bool aRenameWxApp, TVqObject& aRespond,
                   std::vector<bool>& aMissing, std::string& aErro) {
  TVqReadRules rules;
  if (aRenameWxApp)
    rules.Renames = {
        {"pos_wxapp_master", "pos_master"}, {"pos_wxapp_detail", "pos_detail"}, {"pos_wxapp_pay", "pos_pay"}};
  rules.MissingIn = std::string("oResult.") + aMember;
  rules.Missing = &aMissing;
  aMissing.clear();
  return ReadVqObject(aReply, aRespond, aErro, rules);
}

}  // namespace tessaly
