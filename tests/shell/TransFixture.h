#pragma once
// Shared fixture of the transfer reset and query dialogs' tests: the dialog fixture's world with
// enterprise id 5 logged in on the test database (main connection open), questions answered by
// `answer` and recorded with the messages, the clipboard captured, and the SQL texts a call sends.
#include <functional>
#include <string>
#include <vector>

#include "engine/AppVarUtil.h"
#include "foundation/UiHooks.h"
#include "shell/DialogFixture.h"

namespace tessaly {

class TransFixture : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    AppVar->SoftId.v(5);
    ASSERT_TRUE(app->GetConnDB(result)) << result;
    UiHooks::SetMsgQueryHook([this](const std::string& aMsg, const std::string& aTitle, const std::string&) {
      messages.push_back(aTitle + "|" + aMsg);
      return answer;
    });
    UiHooks::SetCopyToClipHook([this](const std::string& aText) { clipboard = aText; });
  }

  void TearDown() override {
    IsDMSqlLog = false;
    UiHooks::SetMsgQueryHook({});
    UiHooks::SetCopyToClipHook({});
    DialogFixture::TearDown();
  }

  // The statements `op` ran (successful ones), in order.
  std::vector<std::string> SqlSent(const std::function<void()>& op) {
    logView->Clear();
    IsDMSqlLog = true;
    op();
    IsDMSqlLog = false;
    std::vector<std::string> out;
    for (const std::string& line : logView->With("[DM]Sql")) {
      const std::size_t at = line.find("]：");
      if (line.rfind("[DM]Sql", 0) == 0 && at != std::string::npos) out.push_back(line.substr(at + 4));
    }
    return out;
  }

  bool answer = true;
  std::string clipboard;
};

}  // namespace tessaly
