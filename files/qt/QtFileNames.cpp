#include "files/qt/QtFileNames.h"

#include <string>

#include "text/Utf8.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <shellapi.h>
#include <windows.h>
#endif

namespace tqv::files::qt {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF carry the bytes 0x80..0xFF

}  // namespace

QString decodeName(std::string_view bytes) {
    QString name;
    name.reserve(static_cast<qsizetype>(bytes.size()));
    size_t at = 0;
    while (at < bytes.size()) {
        const int length = text::utf8SequenceLength(bytes, at);
        if (length == 0) {
            name.append(QChar(static_cast<char16_t>(kEscapeBase +
                                                    static_cast<unsigned char>(bytes[at]))));
            ++at;
            continue;
        }
        name.append(QString::fromUtf8(bytes.data() + at, length));
        at += static_cast<size_t>(length);
    }
    return name;
}

std::filesystem::path toPath(const QString& name) {
#ifdef _WIN32
    return std::filesystem::path(name.toStdWString());
#else
    std::string bytes;
    bytes.reserve(static_cast<size_t>(name.size()));
    qsizetype start = 0;
    const auto flush = [&](qsizetype end) {
        bytes += name.mid(start, end - start).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            flush(i);
            bytes += static_cast<char>(unit - kEscapeBase);
            start = i + 1;
        }
    }
    flush(name.size());
    return std::filesystem::path(bytes);
#endif
}

QString fromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    return decodeName(path.native());
#endif
}

QStringList arguments(int argc, char* argv[]) {
    QStringList list;
#ifdef _WIN32
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; i < count && wide != nullptr; ++i) list << QString::fromWCharArray(wide[i]);
    LocalFree(wide);
    if (count == argc) return list;
    list.clear();
#endif
    for (int i = 0; i < argc; ++i) list << decodeName(argv[i]);
    return list;
}

}  // namespace tqv::files::qt
