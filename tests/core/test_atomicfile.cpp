// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/atomicfile.h"
#include "core/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace kt90;

namespace {

struct TempDir {
    std::string path;
    TempDir()
    {
        char tmpl[] = "/tmp/kt90-atomic-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf " + path).c_str()); }
    std::string file(const char* name) const { return path + "/" + name; }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        DIR* d = opendir(path.c_str());
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.emplace_back(e->d_name);
        closedir(d);
        return names;
    }
};

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(AtomicFile, ReplacesKeepingPermissionsAndLeavesNoTemporary)
{
    TempDir dir;
    const std::string target = dir.file("a.ktcfg");
    std::ofstream(target) << std::string(1000, 'x');
    chmod(target.c_str(), 0640);
    WriteFileAtomically(target, "abc", 3);
    EXPECT_EQ(contents(target), "abc");
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.ktcfg"});
}

TEST(AtomicFile, WritesThroughASymbolicLink)
{
    TempDir dir;
    const std::string real = dir.file("real");
    const std::string link = dir.file("link");
    std::ofstream(real) << "old";
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
    WriteFileAtomically(link, "new", 3);
    EXPECT_EQ(contents(real), "new");
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(AtomicFile, FailureSaysWhyAndLeavesNothing)
{
    TempDir dir;
    try {
        WriteFileAtomically(dir.file("missing/a"), "abc", 3);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "No such file or directory");
    }
    EXPECT_TRUE(dir.entries().empty());
}

#include "core/settingsfile.h"

#include <csignal>
#include <poll.h>
#include <sys/wait.h>

namespace {

// A child that rewrites the file without end, telling the parent after every
// completed write; the parent kills it at such a moment, so that the kill
// lands somewhere inside the next write.
template <class Write> void killDuringWrites(Write write, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(progress[0]);
            for (int i = 0;; ++i) {
                write(i);
                const char b = 1;
                if (::write(progress[1], &b, 1) != 1)
                    _exit(0);
            }
        }
        close(progress[1]);
        // Let a few writes complete, more in later rounds.
        for (int seen = 0; seen < 1 + round % 7;) {
            pollfd p{progress[0], POLLIN, 0};
            ASSERT_EQ(poll(&p, 1, 5000), 1) << "the writer stalled";
            char b;
            seen += static_cast<int>(read(progress[0], &b, 1));
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(progress[0]);
    }
}

} // namespace

TEST(AtomicFile, AKillDuringAConfigurationSaveNeverLeavesACutFile)
{
    TempDir dir;
    const std::string target = dir.file("a.ktcfg");
    const auto block = [](int i) { return std::string(496, static_cast<char>('A' + i % 26)); };
    killDuringWrites([&](int i) { WriteFileAtomically(target, block(i).data(), 496); }, 40);
    // What the last killed writer left goes with the next save.
    WriteFileAtomically(target, block(0).data(), 496);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.ktcfg"});
    const std::string got = contents(target);
    ASSERT_EQ(got.size(), 496u);
    EXPECT_EQ(got, std::string(496, got[0])) << "a mixture of two saves";
}

TEST(AtomicFile, TheNextWriteRemovesWhatAKilledWriterLeft)
{
    TempDir dir;
    const std::string target = dir.file("a.ktcfg");
    // A process that has ended, and one that still runs (this one's parent).
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string dead = "a.ktcfg.tmp-" + std::to_string(gone) + "-0";
    const std::string alive = "a.ktcfg.tmp-" + std::to_string(getppid()) + "-0";
    const std::string other = "b.ktcfg.tmp-" + std::to_string(gone) + "-0";
    for (const std::string& name : {dead, alive, other})
        std::ofstream(dir.file(name.c_str())) << "cut";
    WriteFileAtomically(target, "abc", 3);
    std::vector<std::string> left = dir.entries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.ktcfg", alive, other}));
}

TEST(AtomicFile, AKillDuringASettingsWriteKeepsEveryOtherLine)
{
    TempDir dir;
    const std::string ini = dir.file("norvakKT90dde.ini");
    std::ofstream(ini) << "; kept\n[Options]\nHOST IP=10.0.0.5\nPooling (ms)=250\n[Other]\nx=1\n";
    killDuringWrites(
        [&](int i) { SettingsFile(ini).WriteInteger("Options", "Pooling (ms)", 200 + i % 2 * 50); },
        40);
    const std::string got = contents(ini);
    EXPECT_TRUE(got == "; kept\n[Options]\nHOST IP=10.0.0.5\nPooling (ms)=250\n[Other]\nx=1\n" ||
                got == "; kept\n[Options]\nHOST IP=10.0.0.5\nPooling (ms)=200\n[Other]\nx=1\n")
        << got;
}

// The user's configuration folder is made with the first setting written; a
// folder that cannot be made is said with its reason.
TEST(SettingsFileWrite, MakesItsFolderOrSaysWhyNot)
{
    TempDir dir;
    SettingsFile fresh(dir.file("config/norvakKT90dde/norvakKT90dde.ini"));
    fresh.WriteInteger("Options", "Pooling (ms)", 500);
    EXPECT_EQ(contents(fresh.path()), "[Options]\nPooling (ms)=500\n");

    std::ofstream(dir.file("a-file")) << "x";
    SettingsFile blocked(dir.file("a-file/norvakKT90dde.ini"));
    try {
        blocked.WriteInteger("Options", "Pooling (ms)", 500);
        FAIL() << "written below a file";
    } catch (const EUnableToWrite& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + blocked.path());
        EXPECT_FALSE(e.reason().empty());
    }
}
