// Every file the programs write goes through here, so that each one appears whole or
// not at all: a uniquely named temporary file beside the target, opened exclusively,
// written, synced and closed with every result checked, then renamed over the target.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tqv::files {

// Writes `contents` to `target`. Empty on success; otherwise why, naming the file, and
// then no partial file is left and an earlier file of that name stays as it was.
//  - A symbolic link is followed: the file it names is replaced, the link stays.
//  - A target that exists and is no regular file (a terminal, a pipe, a FIFO, a
//    device) and any name under /dev or /proc (/dev/stdout, /proc/self/fd/1) is
//    written into directly and never replaced; such a write cannot be undone, and it
//    appends, so that a redirected standard output keeps what was printed before.
std::optional<std::string> saveAtomically(const std::filesystem::path& target,
                                          std::string_view contents);

// Whether saveAtomically could write `target` now, checked by creating (and removing)
// a temporary file where it would: empty when it could, else why. For checking an
// output's place before long work whose result would otherwise be lost.
std::optional<std::string> checkWritable(const std::filesystem::path& target);

// A file name for a message: UTF-8 where the name is, its bytes as they are otherwise.
std::string displayName(const std::filesystem::path& path);

// A hidden name beside `target` that no other writer uses (this process, a count, a
// random number; `attempt` varies it), short enough for any folder: a long target name
// is cut, never the unique part. Open it exclusively: another file may take it first.
std::filesystem::path temporaryBeside(const std::filesystem::path& target, int attempt);

// The file a name stands for where the bytes go: a symbolic link followed to the file it
// names (which need not exist), any other name as it is.
std::filesystem::path followLink(const std::filesystem::path& target);

}  // namespace tqv::files
