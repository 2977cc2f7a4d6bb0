// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/configfile.h"
#include "support/fakeui.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace kt90;

namespace {

class ConfigFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakeUi ui;
    FakeEditor editor;

    QString path(const char* name) const { return dir.filePath(name); }

    static QByteArray bytes(std::size_t n, char fill)
    {
        return QByteArray(static_cast<qsizetype>(n), fill);
    }
    static void write(const QString& file, const QByteArray& data)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(data), data.size());
    }
    static QByteArray read(const QString& file)
    {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    // An editor block that is neither zero nor the defaults anywhere.
    static TktFRAMParams odd()
    {
        TktFRAMParams b;
        for (std::size_t i = 0; i < kBlockSize; ++i)
            b.bytes[i] = static_cast<std::uint8_t>(i * 31 + 3);
        return b;
    }
};

TktFRAMParams defaultsOver(TktFRAMParams b)
{
    FillDefaults(b);
    return b;
}

} // namespace

TEST_F(ConfigFile, SaveThenOpenGivesTheSameBlockWithOurDataVersion)
{
    TktFRAMParams b = odd();
    b.setU32(offs::data_ver, 7);
    editor.setKT90Options(b);
    ASSERT_TRUE(SaveToFile(path("a.ktcfg"), editor, ui));
    EXPECT_EQ(editor.applied, 1);
    EXPECT_EQ(read(path("a.ktcfg")).size(), 496);

    FakeEditor other;
    ASSERT_TRUE(OpenFromFile(path("a.ktcfg"), other, ui));
    b.setU32(offs::data_ver, kOwnDataVersion);
    EXPECT_EQ(other.KT90Options(), b);
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(ConfigFile, ShortFilesFillTheStartOverTheDefaults)
{
    struct Case {
        const char* name;
        std::size_t size;
    };
    const Case cases[] = {{"empty", 0}, {"data version and motor 1", 40}, {"whole", 496}};
    for (const auto& c : cases) {
        const QString file = path(c.name);
        write(file, bytes(c.size, '\x66'));
        editor.setKT90Options(odd());
        ASSERT_TRUE(OpenFromFile(file, editor, ui)) << c.name;
        TktFRAMParams expected = defaultsOver(odd());
        for (std::size_t i = 0; i < c.size; ++i)
            expected.bytes[i] = 0x66;
        expected.setU32(offs::data_ver, kOwnDataVersion);
        EXPECT_EQ(editor.KT90Options(), expected) << c.name;
    }
    // Zero bytes over an all-zero editor block: the default block.
    FakeEditor fresh;
    ASSERT_TRUE(OpenFromFile(path("empty"), fresh, ui));
    EXPECT_EQ(fresh.KT90Options(), defaultsOver(TktFRAMParams{}));
}

TEST_F(ConfigFile, UnusableFilesLeaveTheEditorAsItWas)
{
    write(path("long.ktcfg"), bytes(497, '\x01'));
    write(path("huge.ktcfg"), bytes(1 << 20, '\x01'));
    QDir(dir.path()).mkdir("folder.ktcfg");
    struct Case {
        QString file;
        QString box; // start of the error box
    };
    const Case cases[] = {
        {path("long.ktcfg"), "error: Bad KT90 config file."},
        {path("huge.ktcfg"), "error: Bad KT90 config file."},
        {path("missing.ktcfg"), "error: Cannot open " + path("missing.ktcfg") + ": "},
        {path("folder.ktcfg"), "error: Cannot open " + path("folder.ktcfg") + ": "},
    };
    for (const auto& c : cases) {
        editor.setKT90Options(odd());
        editor.assigned = 0;
        ui.boxes.clear();
        EXPECT_FALSE(OpenFromFile(c.file, editor, ui));
        EXPECT_EQ(editor.KT90Options(), odd());
        EXPECT_EQ(editor.assigned, 0);
        ASSERT_EQ(ui.boxes.size(), 1);
        EXPECT_TRUE(ui.boxes[0].startsWith(c.box)) << ui.boxes[0].toStdString();
    }
}

TEST_F(ConfigFile, SavingOverALongerFileLeavesExactlyOneBlock)
{
    write(path("old.ktcfg"), bytes(1000, '\x01'));
    editor.setKT90Options(odd());
    ASSERT_TRUE(SaveToFile(path("old.ktcfg"), editor, ui));
    EXPECT_EQ(ui.questions, QStringList{"The file exists. Do you want to overwrite it?"});
    const QByteArray got = read(path("old.ktcfg"));
    ASSERT_EQ(got.size(), 496);
    EXPECT_EQ(std::memcmp(got.constData(), odd().bytes.data(), 496), 0);
}

TEST_F(ConfigFile, NoToTheOverwriteQuestionChangesNothing)
{
    write(path("old.ktcfg"), bytes(1000, '\x01'));
    ui.answer = false;
    EXPECT_FALSE(SaveToFile(path("old.ktcfg"), editor, ui));
    EXPECT_EQ(editor.applied, 0);
    EXPECT_EQ(read(path("old.ktcfg")), bytes(1000, '\x01'));
}

TEST_F(ConfigFile, AFailedSaveLeavesTheOldFileWhole)
{
    write(path("old.ktcfg"), bytes(1000, '\x01'));
    // A file size limit makes the write itself fail, for any user.
    rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    editor.setKT90Options(odd());
    const bool saved = SaveToFile(path("old.ktcfg"), editor, ui);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_TRUE(ui.boxes[0].startsWith("error: Cannot save " + path("old.ktcfg") + ": "))
        << ui.boxes[0].toStdString();
    EXPECT_EQ(read(path("old.ktcfg")), bytes(1000, '\x01'));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.ktcfg"})
        << "a temporary file was left behind";
}

TEST_F(ConfigFile, SaveIntoAMissingFolderSaysWhy)
{
    EXPECT_FALSE(SaveToFile(path("no/such/folder/a.ktcfg"), editor, ui));
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_TRUE(ui.boxes[0].startsWith("error: Cannot save ")) << ui.boxes[0].toStdString();
}
