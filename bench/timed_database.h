// A database facility that passes every call on and adds up the host time spent inside it: the
// SQL Server is another machine, whose work an uninstall waits for, not the program's own.
#pragma once

#include <chrono>
#include <memory>

#include "platform/database.h"

namespace velmar::bench {

// Host seconds spent in the wrapped calls, shared by the facility and every object it hands out.
struct ServerTime {
  double seconds = 0;
};

// Adds the time from its construction to its end (return or throw) to the total.
class Stopwatch {
 public:
  explicit Stopwatch(ServerTime& total) : total_(total), begin_(Clock::now()) {}
  ~Stopwatch() { total_.seconds += std::chrono::duration<double>(Clock::now() - begin_).count(); }
  Stopwatch(const Stopwatch&) = delete;
  Stopwatch& operator=(const Stopwatch&) = delete;

 private:
  using Clock = std::chrono::steady_clock;
  ServerTime& total_;
  Clock::time_point begin_;
};

class TimedRecordset : public platform::Recordset {
 public:
  TimedRecordset(std::unique_ptr<platform::Recordset> inner, ServerTime& time)
      : inner_(std::move(inner)), time_(time) {}
  ~TimedRecordset() override {
    Stopwatch watch(time_);
    inner_.reset();
  }
  bool IsOpen() override {
    Stopwatch watch(time_);
    return inner_->IsOpen();
  }
  std::int32_t RecordCount() override {
    Stopwatch watch(time_);
    return inner_->RecordCount();
  }
  bool Eof() override {
    Stopwatch watch(time_);
    return inner_->Eof();
  }
  void MoveFirst() override {
    Stopwatch watch(time_);
    inner_->MoveFirst();
  }
  void MoveNext() override {
    Stopwatch watch(time_);
    inner_->MoveNext();
  }
  void Find(std::wstring_view criterion) override {
    Stopwatch watch(time_);
    inner_->Find(criterion);
  }
  void Filter(std::wstring_view criterion) override {
    Stopwatch watch(time_);
    inner_->Filter(criterion);
  }
  platform::DbValue Field(std::wstring_view name) override {
    Stopwatch watch(time_);
    return inner_->Field(name);
  }
  void Close() override {
    Stopwatch watch(time_);
    inner_->Close();
  }

 private:
  std::unique_ptr<platform::Recordset> inner_;
  ServerTime& time_;
};

class TimedConnection : public platform::Connection {
 public:
  TimedConnection(std::unique_ptr<platform::Connection> inner, ServerTime& time)
      : inner_(std::move(inner)), time_(time) {}
  ~TimedConnection() override {
    Stopwatch watch(time_);
    inner_.reset();
  }
  void Execute(std::wstring_view command_text) override {
    Stopwatch watch(time_);
    inner_->Execute(command_text);
  }
  void Close() override {
    Stopwatch watch(time_);
    inner_->Close();
  }

 private:
  std::unique_ptr<platform::Connection> inner_;
  ServerTime& time_;
};

class TimedCommand : public platform::Command {
 public:
  TimedCommand(std::unique_ptr<platform::Command> inner, ServerTime& time)
      : inner_(std::move(inner)), time_(time) {}
  ~TimedCommand() override {
    Stopwatch watch(time_);
    inner_.reset();
  }
  void SetProcedure(std::wstring_view name) override {
    Stopwatch watch(time_);
    inner_->SetProcedure(name);
  }
  const std::vector<platform::DbParameterInfo>& Parameters() override {
    Stopwatch watch(time_);
    return inner_->Parameters();
  }
  void SetParameter(std::wstring_view name, const platform::DbValue& value) override {
    Stopwatch watch(time_);
    inner_->SetParameter(name, value);
  }
  void Execute() override {
    Stopwatch watch(time_);
    inner_->Execute();
  }

 private:
  std::unique_ptr<platform::Command> inner_;
  ServerTime& time_;
};

class TimedDatabase : public platform::Database {
 public:
  explicit TimedDatabase(platform::Database& inner) : inner_(inner) {}

  double seconds() const { return time_.seconds; }

  std::unique_ptr<platform::Connection> Open(std::wstring_view connection_text,
                                             std::wstring_view user,
                                             std::wstring_view password) override {
    Stopwatch watch(time_);
    return std::make_unique<TimedConnection>(inner_.Open(connection_text, user, password), time_);
  }
  std::unique_ptr<platform::Recordset> OpenRecordset(std::wstring_view query,
                                                     std::wstring_view connection_text,
                                                     int cursor_type, int lock_type,
                                                     int cursor_location) override {
    Stopwatch watch(time_);
    return std::make_unique<TimedRecordset>(
        inner_.OpenRecordset(query, connection_text, cursor_type, lock_type, cursor_location),
        time_);
  }
  std::unique_ptr<platform::Command> NewCommand(std::wstring_view connection_text) override {
    Stopwatch watch(time_);
    return std::make_unique<TimedCommand>(inner_.NewCommand(connection_text), time_);
  }

 private:
  platform::Database& inner_;
  ServerTime time_;
};

}  // namespace velmar::bench
