// Every file the programs write goes through here, so that each one appears whole or
// not at all: a uniquely named temporary file beside the target, opened exclusively,
// written, synced and closed with every result checked, then renamed over the target.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tqv::files {

// Writes `contents` to `target`. Empty on success; otherwise why, naming the file, and
// then no partial file is left and an earlier file of that name stays as it was.
//  - A symbolic link is followed: the file it names is replaced, or created when the
//    link dangles, and the link stays. A dangling link into a folder that does not
//    exist is refused, naming the folder.
//  - A file the user may not write (say, 0444 to its owner) is refused, as cp
//    refuses it; root may write it, as with cp.
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

// The file a name stands for where the bytes go: each symbolic link followed to the name
// it holds (a dangling one to the file it would make), any other name as it is; or why
// not, naming the file: a loop of links, a dangling link into a folder that does not
// exist, a file the user may not write (root may, as with cp).
std::variant<std::filesystem::path, std::string> followLink(const std::filesystem::path& target);

}  // namespace tqv::files
