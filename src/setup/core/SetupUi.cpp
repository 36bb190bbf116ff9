#include "setup/core/SetupUi.h"

#include <atomic>
#include <cstdio>
#include <utility>

namespace orvane {
namespace {

std::atomic<IInfoBox*> g_info{nullptr};
std::atomic<IQuestionBox*> g_question{nullptr};
std::atomic<IStatusLine*> g_status{nullptr};
std::atomic<IProgress*> g_progress{nullptr};

void LogToStderr(const std::string& line) { std::fprintf(stderr, "[setup-ui] %s\n", line.c_str()); }

template <typename T>
T& Installed(const std::atomic<T*>& slot) {
  T* p = slot.load(std::memory_order_acquire);
  return p != nullptr ? *p : static_cast<T&>(HeadlessUi());
}

}  // namespace

THeadlessUi::THeadlessUi(TLogSink sink) : sink_(sink ? std::move(sink) : TLogSink(LogToStderr)) {}

void THeadlessUi::Record(const std::string& line, const std::string* status) {
  TLogSink sink;
  {
    std::lock_guard<std::mutex> hold(lock_);
    transcript_.push_back(line);
    if (status != nullptr) statuses_.push_back(*status);
    sink = sink_;
  }
  if (sink) sink(line);
}

void THeadlessUi::InfoBox(const std::string& text, const std::string& title) {
  Record("info[" + title + "]: " + text, nullptr);
}

int THeadlessUi::QueryBox(const std::string& text, const std::string& title) {
  int answer = kAnswerNo;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  Record("query[" + title + "]: " + text + " -> " + std::to_string(answer), nullptr);
  return answer;
}

void THeadlessUi::ShowStatus(const std::string& text) { Record("status: " + text, &text); }

void THeadlessUi::SetMax(int max) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    max_ = max;
  }
  Record("progress max: " + std::to_string(max), nullptr);
}

void THeadlessUi::SetPosition(int position) {
  int max = 0;
  {
    std::lock_guard<std::mutex> hold(lock_);
    position_ = position;
    max = max_;
  }
  Record("progress: " + std::to_string(position) + "/" + std::to_string(max), nullptr);
}

int THeadlessUi::GetPosition() {
  std::lock_guard<std::mutex> hold(lock_);
  return position_;
}

void THeadlessUi::ScriptAnswer(int answer) {
  std::lock_guard<std::mutex> hold(lock_);
  answers_.push_back(answer);
}

void THeadlessUi::SetLogSink(TLogSink sink) {
  std::lock_guard<std::mutex> hold(lock_);
  sink_ = std::move(sink);
}

std::vector<std::string> THeadlessUi::Transcript() const {
  std::lock_guard<std::mutex> hold(lock_);
  return transcript_;
}

std::vector<std::string> THeadlessUi::StatusLines() const {
  std::lock_guard<std::mutex> hold(lock_);
  return statuses_;
}

int THeadlessUi::Max() const {
  std::lock_guard<std::mutex> hold(lock_);
  return max_;
}

void SetInfoBox(IInfoBox* box) { g_info.store(box, std::memory_order_release); }
void SetQuestionBox(IQuestionBox* box) { g_question.store(box, std::memory_order_release); }
void SetStatusLine(IStatusLine* line) { g_status.store(line, std::memory_order_release); }
void SetProgress(IProgress* progress) { g_progress.store(progress, std::memory_order_release); }

IInfoBox& GetInfoBox() { return Installed(g_info); }
IQuestionBox& GetQuestionBox() { return Installed(g_question); }
IStatusLine& GetStatusLine() { return Installed(g_status); }
IProgress& GetProgress() { return Installed(g_progress); }

THeadlessUi& HeadlessUi() {
  static THeadlessUi ui;
  return ui;
}

TScopedSetupUi::TScopedSetupUi(THeadlessUi& ui) {
  SetInfoBox(&ui);
  SetQuestionBox(&ui);
  SetStatusLine(&ui);
  SetProgress(&ui);
}

TScopedSetupUi::~TScopedSetupUi() {
  SetInfoBox(nullptr);
  SetQuestionBox(nullptr);
  SetStatusLine(nullptr);
  SetProgress(nullptr);
}

}  // namespace orvane
