#include "scope/qt/AtomicSave.h"

#include <QSaveFile>

namespace tqv::scope::qt {

std::optional<QString> saveAtomically(const QString& path, const QByteArray& contents) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    if (file.write(contents) != contents.size()) {
        QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    // The buffered rest is written here: a full disk shows up now at the latest.
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

}  // namespace tqv::scope::qt
