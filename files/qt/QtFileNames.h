// File names between the command line, Qt's strings and the file system, without loss.
// A Unix file name is bytes, not always UTF-8: a byte that is no part of valid UTF-8
// travels inside a QString as the lone surrogate U+DC80 + byte and becomes that byte
// again on its way back, so that "lib\xe9.so" names the file it named. Windows names
// are UTF-16 already.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <string_view>

namespace tqv::files::qt {

QString decodeName(std::string_view bytes);
std::filesystem::path toPath(const QString& name);
QString fromPath(const std::filesystem::path& path);

// The program's arguments decoded as file names are (before any QCoreApplication exists).
QStringList arguments(int argc, char* argv[]);

}  // namespace tqv::files::qt
