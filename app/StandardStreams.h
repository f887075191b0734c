// What every program does with its standard streams, so that a result that could not
// be printed is never taken for one that was.
#pragma once

#include <optional>
#include <string>

namespace tqv::app {

// First thing in main. A standard stream the program was started without (`>&-`) gets
// a stand-in that refuses writes, so that no file the program opens later takes its
// number and receives what was meant for the stream; and a write past the file-size
// limit becomes an error the program reports instead of a signal that kills it.
void prepareStandardStreams();

// A progress line is for a person watching, not for a log file.
bool standardErrorIsTerminal();

// After the last output: flushes standard output and says why it failed, if it did
// (a full disk, a closed stream, a broken pipe).
std::optional<std::string> standardOutputFailure();

// The program's status after the last output: `status` when everything was written,
// else `failureStatus` after "<program>: cannot write to standard output: <why>" on
// standard error.
int finishStandardOutput(int status, int failureStatus);

}  // namespace tqv::app
