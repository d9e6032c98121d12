// The benchmark logs: a few line shapes of a real run, numbered so that every line differs.
#include "bench/log_text.h"

#include <array>
#include <cstdio>

namespace velmar::bench {
namespace {

constexpr std::array<const char*, 4> kPlainLines = {
    "    Removing subscriber object from the directory - alias=user%06d",
    "    removed file: C:\\Corvane\\Data\\G000\\F000\\file%06d.dat",
    "    Subscriber Deletion complete %06d",
    "Stopping service ZqKtGateWay, attempt %06d... The service was stopped successfully."};
constexpr std::array<const char*, 2> kMarkedLines = {
    "(error) could not remove or rename file: C:\\WINDOWS\\system32\\zq%06d.dll",
    "(warning) CorvaneRootPath=C:\\Corvane\\ and Root Path=C:\\Corvane%06d name different "
    "folders"};

void AppendLine(LogText& log, const char* pattern) {
  char line[160];
  const int length = std::snprintf(line, sizeof line, pattern, log.lines);
  log.bytes.append(line, static_cast<std::size_t>(length));
  log.bytes += "\r\n";
  ++log.lines;
}

}  // namespace

LogText MakeLog(std::size_t bytes) {
  LogText log;
  log.bytes.reserve(bytes + 200);
  while (log.bytes.size() < bytes) {
    if (log.lines % kMarkerEvery == kMarkerEvery - 1) {
      const bool error = (log.lines / kMarkerEvery) % 2 == 0;
      (error ? log.errors : log.warnings) += 1;
      AppendLine(log, kMarkedLines[error ? 0 : 1]);
    } else {
      AppendLine(log, kPlainLines[static_cast<std::size_t>(log.lines) % kPlainLines.size()]);
    }
  }
  return log;
}

}  // namespace velmar::bench
