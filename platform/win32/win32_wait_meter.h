// Test builds only: decorators of the clock and process facilities that add up how long the
// program spends waiting (sleeps, waits for messages, waits on children) against its run time.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/clock.h"
#include "platform/processes.h"

namespace platform::win32 {

enum class WaitKind { kSleep, kMessages, kChild };

// Totals per kind of wait. One thread waits at a time (the program's UI thread), so plain
// counters do.
class WaitMeter {
 public:
  void Add(WaitKind kind, std::chrono::microseconds spent);
  std::chrono::microseconds Total(WaitKind kind) const;
  std::chrono::microseconds Total() const;

 private:
  std::chrono::microseconds sleep_{0}, messages_{0}, children_{0};
};

// Times one wait from construction to destruction and adds it to the meter.
class TimedWait {
 public:
  TimedWait(WaitMeter& meter, WaitKind kind);
  ~TimedWait();
  TimedWait(const TimedWait&) = delete;
  TimedWait& operator=(const TimedWait&) = delete;

 private:
  WaitMeter& meter_;
  WaitKind kind_;
  std::chrono::steady_clock::time_point started_;
};

// The clock as it is, with Sleep and WaitForMessages timed.
class MeteredClock final : public Clock {
 public:
  MeteredClock(Clock& inner, WaitMeter& meter) : inner_(inner), meter_(meter) {}
  LocalTime Now() override { return inner_.Now(); }
  float SecondsSinceMidnight() override { return inner_.SecondsSinceMidnight(); }
  std::uint32_t TickCount() override { return inner_.TickCount(); }
  void Sleep(std::uint32_t ms) override;
  void PumpMessages() override { inner_.PumpMessages(); }
  void WaitForMessages(std::uint32_t ms) override;

 private:
  Clock& inner_;
  WaitMeter& meter_;
};

// The process facility as it is, with every started child's Wait timed.
class MeteredProcesses final : public Processes {
 public:
  MeteredProcesses(Processes& inner, WaitMeter& meter) : inner_(inner), meter_(meter) {}
  std::unique_ptr<ChildProcess> Start(std::wstring_view command_line, int show_window) override;
  std::wstring ModulePath() override { return inner_.ModulePath(); }
  std::wstring CommandArgs() override { return inner_.CommandArgs(); }
  std::wstring CurrentDirectory() override { return inner_.CurrentDirectory(); }
  void ChangeDirectory(std::wstring_view path) override { inner_.ChangeDirectory(path); }
  std::wstring CommandLine() override { return inner_.CommandLine(); }
  std::optional<std::wstring> EnvironmentVariable(std::wstring_view name) override {
    return inner_.EnvironmentVariable(name);
  }
  std::unique_ptr<ChildProcess> StartImage(std::wstring_view application,
                                           std::wstring_view command_line, Status& error) override;
  std::unique_ptr<NamedEvent> MakeNamedEvent(std::wstring_view name, bool signalled) override {
    return inner_.MakeNamedEvent(name, signalled);
  }
  std::unique_ptr<NamedMutex> MakeNamedMutex(std::wstring_view name,
                                             bool& already_existed) override {
    return inner_.MakeNamedMutex(name, already_existed);
  }

 private:
  std::unique_ptr<ChildProcess> Metered(std::unique_ptr<ChildProcess> child);

  Processes& inner_;
  WaitMeter& meter_;
};

}  // namespace platform::win32
