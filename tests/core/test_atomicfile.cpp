#include "atomicfile.h"
#include "errors.h"

#include <gtest/gtest.h>

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
