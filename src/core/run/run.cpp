#include "run/run.hpp"

#include <ctime>

namespace korvex {

Run::Run(DialogLayer& dialog) : ui(dialog), clock(localDateTime24) {}

void RunFiles::commit() {
  print.flush();
  // The output first: a pipe or device can still refuse it here, and then
  // nothing of the run replaces anything.
  output.commit();
  cif.commit();
  grid.commit();
}

void RunFiles::close() {
  experiment.close();
  print.close();
  input.close();
  output.close();
  grid.close();
  cif.close();
}

void RunFiles::abandon() noexcept {
  experiment.close();
  print.abandon();
  input.close();
  output.abandon();
  grid.abandon();
  cif.abandon();
}

std::string localDateTime24() {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s %s %2d %02d:%02d:%02d %04d", kDays[tm.tm_wday % 7], kMonths[tm.tm_mon % 12],
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_year + 1900);
  return buf;
}

}  // namespace korvex
