// The one way files are written: whole or not at all, never through a planted name,
// links kept, devices and FIFOs written in place; and file names carried without loss.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "files/AtomicSave.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tqv::files {
namespace {

namespace fs = std::filesystem;

class AtomicSave : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() /
                   ("atomic-save-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    static std::string read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(m_folder), {}));
    }
    fs::path m_folder;
};

#ifndef _WIN32

TEST_F(AtomicSave, AFailedWriteLeavesTheEarlierFileWholeAndNothingElse) {
    const fs::path report = m_folder / "r.xml";
    ASSERT_EQ(saveAtomically(report, "first"), std::nullopt);
    ::chmod(report.c_str(), 0640);

    // As a disk that fills up half way would: no file may grow past 16 kB.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const rlimit small{16 * 1024, before.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto failure = saveAtomically(report, std::string(64 * 1024, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &before);

    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find(report.string()), std::string::npos) << *failure;
    EXPECT_EQ(read(report), "first");
    EXPECT_EQ(entries(), 1u) << "a partial temporary file was left behind";

    ASSERT_EQ(saveAtomically(report, "second"), std::nullopt);
    EXPECT_EQ(read(report), "second");
    struct stat status {};
    ::stat(report.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "the file's permissions were not kept";
}

TEST_F(AtomicSave, NamesPlantedBesideTheTargetAreNeitherFollowedNorRemoved) {
    const fs::path report = m_folder / "r.xml";
    const fs::path victim = m_folder / "victim";
    write(victim, "precious");
    fs::create_symlink(victim, m_folder / "r.xml.part");
    fs::create_symlink(victim, m_folder / ".r.xml.part");
    write(m_folder / "r.xml.tmp", "someone's");

    ASSERT_EQ(saveAtomically(report, "report"), std::nullopt);
    EXPECT_EQ(read(report), "report");
    EXPECT_EQ(read(victim), "precious");
    EXPECT_TRUE(fs::is_symlink(m_folder / "r.xml.part"));
    EXPECT_EQ(read(m_folder / "r.xml.tmp"), "someone's");
    EXPECT_EQ(entries(), 5u);
}

TEST_F(AtomicSave, ALinkIsFollowedToItsFileAndStaysALink) {
    fs::create_directories(m_folder / "real");
    const fs::path file = m_folder / "real" / "r.xml";
    write(file, "old");
    fs::create_symlink("real/r.xml", m_folder / "link.xml");

    ASSERT_EQ(saveAtomically(m_folder / "link.xml", "new"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(m_folder / "link.xml"));
    EXPECT_EQ(read(file), "new");
}

TEST_F(AtomicSave, ADanglingLinkGetsItsFileAndStaysALink) {
    fs::create_symlink("missing.xml", m_folder / "dang.xml");
    ASSERT_EQ(saveAtomically(m_folder / "dang.xml", "report"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(m_folder / "dang.xml"));
    EXPECT_EQ(read(m_folder / "missing.xml"), "report");
    EXPECT_EQ(entries(), 2u);

    // A link into a folder that is not there: refused, the folder named, nothing made.
    fs::create_symlink("gone/r.xml", m_folder / "lost.xml");
    for (const auto& outcome :
         {checkWritable(m_folder / "lost.xml"), saveAtomically(m_folder / "lost.xml", "x")}) {
        ASSERT_TRUE(outcome.has_value());
        EXPECT_NE(outcome->find((m_folder / "gone").string() + " does not exist"),
                  std::string::npos)
            << *outcome;
    }
    EXPECT_EQ(entries(), 3u);
}

// What `run` returns, run as a user who is not root: in a child that gives up root's
// privileges when the tests run as root (as in CI), where access() would let it write
// anything.
std::string asOrdinaryUser(const std::function<std::string()>& run) {
    if (::geteuid() != 0) return run();
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        constexpr uid_t kNobody = 65534;
        std::string result =
            ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0
                ? run()
                : "cannot drop root's privileges";
        const auto written = ::write(pipeEnds[1], result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string result;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        result.append(buffer, static_cast<size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return result;
}

TEST_F(AtomicSave, AFileTheUserMayNotWriteIsRefusedAsCpRefusesIt) {
    // The folder open to everyone: only the file's own mode stands in the way.
    fs::permissions(m_folder, fs::perms::all);
    const fs::path report = m_folder / "r.xml";
    write(report, "kept");
    ::chmod(report.c_str(), 0444);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(report.c_str(), 65534, 65534), 0);
    }

    const auto outcome = asOrdinaryUser([&] {
        const auto checked = checkWritable(report);
        const auto saved = saveAtomically(report, "replaced");
        return checked.value_or("checked: none") + "\n" + saved.value_or("saved: none");
    });
    const std::string refusal = "cannot write " + report.string() + ": Permission denied";
    EXPECT_EQ(outcome, refusal + "\n" + refusal);
    EXPECT_EQ(read(report), "kept");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicSave, DevicesAndFifosAreWrittenIntoAndNeverReplaced) {
    ASSERT_EQ(saveAtomically("/dev/null", "discarded"), std::nullopt);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    const fs::path fifo = m_folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(saveAtomically(fifo, "through the pipe"), std::nullopt);
    char buffer[64] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 16);
    EXPECT_EQ(std::string(buffer), "through the pipe");
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicSave, ThePlaceIsCheckedBeforeAnyWorkAndTheCheckLeavesNothing) {
    EXPECT_EQ(checkWritable(m_folder / "r.xml"), std::nullopt);
    EXPECT_EQ(checkWritable("/dev/null"), std::nullopt);
    EXPECT_EQ(entries(), 0u);
    // /proc/version opens for writing, even to root, and refuses every write.
    for (const fs::path& bad : {m_folder / "missing" / "r.xml", m_folder, fs::path(),
                                m_folder / std::string(256, 'n'), fs::path("/proc/version")}) {
        SCOPED_TRACE(bad.string());
        EXPECT_TRUE(checkWritable(bad).has_value());
        EXPECT_TRUE(saveAtomically(bad, "x").has_value());
    }
    EXPECT_EQ(entries(), 0u);
}

// The temporary file's name is cut to fit where the target's own name is long: any
// name the folder takes can be saved, with a multi-byte character at the cut kept whole.
TEST_F(AtomicSave, TheLongestNameAFolderTakesIsSavedToo) {
    std::string twoByteCharacters;
    for (int k = 0; k < 127; ++k) twoByteCharacters += "ç";
    for (const std::string& name : {std::string(255, 'n'), twoByteCharacters}) {
        const fs::path file = m_folder / name;
        EXPECT_EQ(saveAtomically(file, "whole"), std::nullopt);
        EXPECT_EQ(read(file), "whole");
        const std::string temporary = temporaryBeside(file, 0).filename().string();
        EXPECT_LE(temporary.size(), 255u);
        if (name == twoByteCharacters) {
            EXPECT_EQ((temporary.find('.', 1) - 1) % 2, 0u) << "a character cut in two";
        }
        fs::remove(file);
    }
    EXPECT_EQ(entries(), 0u);
}

#endif

}  // namespace
}  // namespace tqv::files
