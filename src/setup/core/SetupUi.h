#pragma once
// Where the wizard plugs into the setup core. The core shows its information and question boxes,
// its status line and its progress through these four small interfaces; the wizard installs its
// windows at start-up, and without them the headless default below takes the calls. Every call
// comes from the UI thread; installation is thread-safe.
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace orvane {

// Answers of the question box, as the Windows message-box codes.
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

class IInfoBox {
 public:
  virtual ~IInfoBox() = default;
  // Modal information box with one OK button.
  virtual void InfoBox(const std::string& text, const std::string& title) = 0;
};

class IQuestionBox {
 public:
  virtual ~IQuestionBox() = default;
  // Modal question with Yes and No; kAnswerYes or kAnswerNo.
  [[nodiscard]] virtual int QueryBox(const std::string& text, const std::string& title) = 0;
};

class IStatusLine {
 public:
  virtual ~IStatusLine() = default;
  // Shows `text` on the status line and brings it to the front.
  virtual void ShowStatus(const std::string& text) = 0;
};

class IProgress {
 public:
  virtual ~IProgress() = default;
  virtual void SetMax(int max) = 0;
  virtual void SetPosition(int position) = 0;
  [[nodiscard]] virtual int GetPosition() = 0;
};

// The headless stand-in for all four: every call becomes one line of a transcript and of the log
// sink; questions take the scripted answers in order, then kAnswerNo. Thread-safe.
class THeadlessUi final : public IInfoBox, public IQuestionBox, public IStatusLine, public IProgress {
 public:
  using TLogSink = std::function<void(const std::string& line)>;

  // `sink` receives each transcript line as it is made; empty means stderr.
  explicit THeadlessUi(TLogSink sink = {});

  void InfoBox(const std::string& text, const std::string& title) override;
  [[nodiscard]] int QueryBox(const std::string& text, const std::string& title) override;
  void ShowStatus(const std::string& text) override;
  void SetMax(int max) override;
  void SetPosition(int position) override;
  [[nodiscard]] int GetPosition() override;

  // Queues the answer of a coming question.
  void ScriptAnswer(int answer);
  // Replaces the log sink; empty silences it (the transcript is still kept).
  void SetLogSink(TLogSink sink);

  // Lines such as "info[title]: text", "query[title]: text -> 6", "status: text",
  // "progress: 3/10", in call order.
  [[nodiscard]] std::vector<std::string> Transcript() const;
  // The status texts alone, in order.
  [[nodiscard]] std::vector<std::string> StatusLines() const;
  [[nodiscard]] int Max() const;

 private:
  void Record(const std::string& line, const std::string* status);  // takes lock_

  mutable std::mutex lock_;
  TLogSink sink_;                        // guarded by lock_
  std::deque<int> answers_;              // guarded by lock_
  std::vector<std::string> transcript_;  // guarded by lock_
  std::vector<std::string> statuses_;    // guarded by lock_
  int max_ = 0;                          // guarded by lock_
  int position_ = 0;                     // guarded by lock_
};

// The installed hand-offs; nullptr puts the process-wide headless default back. The caller keeps
// ownership and removes its object before freeing it.
void SetInfoBox(IInfoBox* box);
void SetQuestionBox(IQuestionBox* box);
void SetStatusLine(IStatusLine* line);
void SetProgress(IProgress* progress);

[[nodiscard]] IInfoBox& GetInfoBox();
[[nodiscard]] IQuestionBox& GetQuestionBox();
[[nodiscard]] IStatusLine& GetStatusLine();
[[nodiscard]] IProgress& GetProgress();
// The process-wide default behind the getters (logs to stderr, answers No).
[[nodiscard]] THeadlessUi& HeadlessUi();

// Installs one object for all four hand-offs for its lifetime (tests, headless runs).
class TScopedSetupUi {
 public:
  explicit TScopedSetupUi(THeadlessUi& ui);
  ~TScopedSetupUi();
  TScopedSetupUi(const TScopedSetupUi&) = delete;
  TScopedSetupUi& operator=(const TScopedSetupUi&) = delete;
};

}  // namespace orvane
