// File names that are no UTF-8 survive the trip through Qt's strings and back.
#include <gtest/gtest.h>

#include <string>

#include "files/qt/QtFileNames.h"

namespace tqv::files::qt {
namespace {

TEST(QtFileNames, EveryByteComesBackAsItWent) {
#ifndef _WIN32
    for (const std::string name : {"lib\xe9.so", "\xff\xfe", "a\xed\xa0\x80z", "\xe9\xe9.xml"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(toPath(decodeName(name)).native(), name);
        char* argv[] = {const_cast<char*>("program"), const_cast<char*>(name.c_str())};
        EXPECT_EQ(toPath(arguments(2, argv).at(1)).native(), name);
    }
#endif
    // Well-formed UTF-8 is plain text, in Qt and in the file system alike.
    const std::string chinese = "\xe9\x80\x9a\xe9\x81\x93.csv";  // 通道.csv
    EXPECT_EQ(decodeName(chinese), QString::fromUtf8(chinese.c_str()));
    EXPECT_EQ(toPath(QString::fromUtf8(chinese.c_str())), std::filesystem::path(chinese));
    EXPECT_EQ(fromPath(toPath(QStringLiteral("r.xml"))), QStringLiteral("r.xml"));
}

}  // namespace
}  // namespace tqv::files::qt
