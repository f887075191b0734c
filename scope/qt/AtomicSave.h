// Writes a whole file or nothing: the bytes go to a temporary file beside the target,
// which replaces the target only once everything was written.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tqv::scope::qt {

// Empty on success; otherwise why the file could not be written. A failed write
// leaves no partial file and any earlier file of that name as it was.
std::optional<QString> saveAtomically(const QString& path, const QByteArray& contents);

}  // namespace tqv::scope::qt
