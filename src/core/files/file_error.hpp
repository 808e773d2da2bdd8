// A file of the run that could not be read or written: the message names
// what the file is to the run, its path and the system's reason, so that a
// full disk or a failing device is never taken for the end of the data.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvex::files {

class FileError : public std::runtime_error {
 public:
  // ("WRITING", "OUTPUT DATA FILE", "x.abs", "No space left on device") reads
  // "ERROR WRITING OUTPUT DATA FILE x.abs: No space left on device".
  FileError(std::string_view action, std::string_view role, const std::filesystem::path& path,
            std::string_view reason);
};

// The system's text for an error number ("No such file or directory").
std::string systemReason(int errorNumber);

}  // namespace korvex::files
