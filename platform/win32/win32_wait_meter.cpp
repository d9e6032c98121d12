// Test builds only: the waits of the clock and of started children, timed on the steady clock
// and added up by kind.
#include "platform/win32/win32_wait_meter.h"

#include <utility>

namespace platform::win32 {
namespace {

class MeteredChild final : public ChildProcess {
 public:
  MeteredChild(std::unique_ptr<ChildProcess> inner, WaitMeter& meter)
      : inner_(std::move(inner)), meter_(meter) {}
  std::uint32_t id() const override { return inner_->id(); }
  WaitResult Wait(std::uint32_t limit_ms) override {
    TimedWait timed(meter_, WaitKind::kChild);
    return inner_->Wait(limit_ms);
  }

 private:
  std::unique_ptr<ChildProcess> inner_;
  WaitMeter& meter_;
};

}  // namespace

void WaitMeter::Add(WaitKind kind, std::chrono::microseconds spent) {
  switch (kind) {
    case WaitKind::kSleep: sleep_ += spent; break;
    case WaitKind::kMessages: messages_ += spent; break;
    case WaitKind::kChild: children_ += spent; break;
  }
}

std::chrono::microseconds WaitMeter::Total(WaitKind kind) const {
  switch (kind) {
    case WaitKind::kSleep: return sleep_;
    case WaitKind::kMessages: return messages_;
    case WaitKind::kChild: return children_;
  }
  return {};
}

std::chrono::microseconds WaitMeter::Total() const {
  return sleep_ + messages_ + children_;
}

TimedWait::TimedWait(WaitMeter& meter, WaitKind kind)
    : meter_(meter), kind_(kind), started_(std::chrono::steady_clock::now()) {}

TimedWait::~TimedWait() {
  meter_.Add(kind_, std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - started_));
}

void MeteredClock::Sleep(std::uint32_t ms) {
  TimedWait timed(meter_, WaitKind::kSleep);
  inner_.Sleep(ms);
}

void MeteredClock::WaitForMessages(std::uint32_t ms) {
  TimedWait timed(meter_, WaitKind::kMessages);
  inner_.WaitForMessages(ms);
}

std::unique_ptr<ChildProcess> MeteredProcesses::Start(std::wstring_view command_line,
                                                      int show_window) {
  return Metered(inner_.Start(command_line, show_window));
}

std::unique_ptr<ChildProcess> MeteredProcesses::StartImage(std::wstring_view application,
                                                           std::wstring_view command_line,
                                                           Status& error) {
  return Metered(inner_.StartImage(application, command_line, error));
}

std::unique_ptr<ChildProcess> MeteredProcesses::Metered(std::unique_ptr<ChildProcess> child) {
  if (!child) return child;
  return std::make_unique<MeteredChild>(std::move(child), meter_);
}

}  // namespace platform::win32
