#include "settings/BigIniFile.h"
#include "platform/Exception.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using tb::TBigIniFile;
using tb::TBiggerIniFile;
using tb::test::TempDir;

namespace {

// One INI text, one read, one expected answer.
struct ReadCase {
    const char *name;
    QByteArray file;
    const char *section;
    const char *key;
    const char *expected; // ReadString with the default "<default>"
};

class IniReadTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTable, ReadsTheValueTheRulesGive)
{
    const ReadCase &c = GetParam();
    TempDir dir;
    TBiggerIniFile ini(dir.write("a.ini", c.file));
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), QString::fromUtf8(c.expected)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniReadTable,
    ::testing::Values(
        ReadCase{"plain value", "[S]\r\nk=v\r\n", "S", "k", "v"},
        ReadCase{"section and key ignore case", "[Sect]\r\nKey=v\r\n", "sECT", "kEY", "v"},
        ReadCase{"value keeps further equals", "[S]\r\nk=a=b=c\r\n", "S", "k", "a=b=c"},
        ReadCase{"value is not trimmed", "[S]\r\nk= v \r\n", "S", "k", " v "},
        ReadCase{"quotes stay", "[S]\r\nk=\"v\"\r\n", "S", "k", "\"v\""},
        ReadCase{"blank before equals is part of the key", "[S]\r\nk =v\r\n", "S", "k", "<default>"},
        ReadCase{"key with its blank matches", "[S]\r\nk =v\r\n", "S", "k ", "v"},
        ReadCase{"first of duplicate keys", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "1"},
        ReadCase{"line without equals never matches", "[S]\r\nk\r\nk=2\r\n", "S", "k", "2"},
        ReadCase{"LF alone is text", "[S]\nk=v\n", "S", "k", "<default>"},
        ReadCase{"LF inside a line", "[S]\r\nk=a\nb\r\n", "S", "k", "a\nb"},
        ReadCase{"CR alone ends a line", "[S]\rk=v\r", "S", "k", "v"},
        ReadCase{"no final line end", "[S]\r\nk=v", "S", "k", "v"},
        ReadCase{"0x1A ends the file", QByteArray("[S]\r\nk=v\r\nj=w\x1A\r\nm=x\r\n"), "S", "m", "<default>"},
        ReadCase{"text before 0x1A is kept", QByteArray("[S]\r\nk=v\x1A" "tail\r\n"), "S", "k", "v"},
        ReadCase{"lines before the first section drop", "k=v\r\n[S]\r\nj=w\r\n", "S", "k", "<default>"},
        ReadCase{"empty brackets are a section", "[]\r\nk=v\r\n", "", "k", "v"},
        ReadCase{"section name not trimmed", "[ S ]\r\nk=v\r\n", "S", "k", "<default>"},
        ReadCase{"section name with blanks", "[ S ]\r\nk=v\r\n", " S ", "k", "v"},
        ReadCase{"first of duplicate sections", "[S]\r\nk=1\r\n[s]\r\nk=2\r\nj=3\r\n", "S", "k", "1"},
        ReadCase{"keys of a dropped duplicate are gone", "[S]\r\nk=1\r\n[s]\r\nj=3\r\n", "S", "j", "<default>"},
        ReadCase{"comment lines kept but not keys", "[S]\r\n;k=1\r\nk=2\r\n", "S", "k", "2"},
        ReadCase{"empty value", "[S]\r\nk=\r\n", "S", "k", ""},
        ReadCase{"non-ASCII section ignores case", "[ÄRGER]\r\nk=v\r\n", "ärger", "k", "v"},
        ReadCase{"missing section", "[S]\r\nk=v\r\n", "T", "k", "<default>"}),
    [](const auto &info) {
        std::string n = info.param.name;
        for (char &ch : n)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

struct IntegerCase {
    const char *value;
    int32_t expected; // with default -7
};

void PrintTo(const IntegerCase &c, std::ostream *os) { *os << '"' << c.value << '"'; }

class IniIntegerTable : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IniIntegerTable, ConvertsOrGivesTheDefault)
{
    TempDir dir;
    QByteArray file = QByteArray("[S]\r\nk=") + GetParam().value + "\r\n";
    TBiggerIniFile ini(dir.write("a.ini", file));
    EXPECT_EQ(ini.ReadInteger("S", "k", -7), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, IniIntegerTable,
                         ::testing::Values(IntegerCase{"42", 42}, IntegerCase{"-42", -42}, IntegerCase{"+5", 5},
                                           IntegerCase{"0x1F", 31}, IntegerCase{"0X1f", 31},
                                           IntegerCase{"$1F", 31}, IntegerCase{"x10", 16},
                                           IntegerCase{"-$10", -16}, IntegerCase{"  12", 12},
                                           IntegerCase{"12 ", -7}, IntegerCase{"12abc", -7},
                                           IntegerCase{"abc", -7}, IntegerCase{"", -7}, IntegerCase{"-", -7},
                                           IntegerCase{"0x", -7}, IntegerCase{"2147483647", 2147483647},
                                           IntegerCase{"2147483648", -7},
                                           IntegerCase{"-2147483648", INT32_MIN},
                                           IntegerCase{"-2147483649", -7}, IntegerCase{"$FFFFFFFF", -1},
                                           IntegerCase{"$100000000", -7},
                                           IntegerCase{"99999999999999999999999", -7}, IntegerCase{"1.5", -7}));

TEST(IniFile, ReadBoolTakesAnyNonZeroIntegerAsTrueAndWordsAsTheDefault)
{
    TempDir dir;
    TBiggerIniFile ini(dir.write("a.ini", "[S]\r\ntwo=2\r\nzero=0\r\nword=yes\r\n"));
    EXPECT_TRUE(ini.ReadBool("S", "two", false));
    EXPECT_FALSE(ini.ReadBool("S", "zero", true));
    EXPECT_TRUE(ini.ReadBool("S", "word", true));
    EXPECT_FALSE(ini.ReadBool("S", "word", false));
    EXPECT_TRUE(ini.ReadBool("S", "absent", true));
}

TEST(IniFile, WritesTheExampleLayoutByteForByte)
{
    TempDir dir;
    QString path = dir.file("new.ini");
    {
        TBiggerIniFile ini(path);
        ini.WriteString("General", "ID", "Tonebridge PlayList");
        ini.WriteInteger("General", "DoWhat", 1);
        ini.UpdateFile();
    }
    EXPECT_EQ(TempDir::read(path), QByteArray("[General]\r\nID=Tonebridge PlayList\r\nDoWhat=1\r\n\r\n"));
}

TEST(IniFile, WriteKeepsOrderReplacesInPlaceAndAppendsNewSectionsLast)
{
    TempDir dir;
    QString path = dir.write("a.ini", "[A]\r\nx=1\r\n;note\r\ny=2\r\n[B]\r\nz=3\r\n");
    TBiggerIniFile ini(path);
    ini.WriteString("a", "X", "9");  // replaced in place, key spelled as given
    ini.WriteBool("B", "flag", true); // appended at the end of B
    ini.WriteInteger("C", "n", -12);  // new section after the last
    ini.UpdateFile();
    EXPECT_EQ(TempDir::read(path),
              QByteArray("[A]\r\nX=9\r\n;note\r\ny=2\r\n\r\n[B]\r\nz=3\r\nflag=1\r\n\r\n[C]\r\nn=-12\r\n\r\n"));
}

TEST(IniFile, RewriteDropsDuplicateSectionsAndLinesBeforeTheFirstSection)
{
    TempDir dir;
    QString path = dir.write("a.ini", "orphan=1\r\n[S]\r\nk=1\r\n[s]\r\nk=2\r\n\r\n\r\n");
    TBiggerIniFile ini(path);
    ini.WriteString("S", "j", "2");
    ini.UpdateFile();
    EXPECT_EQ(TempDir::read(path), QByteArray("[S]\r\nk=1\r\nj=2\r\n\r\n"));
}

TEST(IniFile, DuplicateHookAnsweringFalseKeepsTheLaterSection)
{
    TempDir dir;
    QString path = dir.write("a.ini", "[S]\r\nk=1\r\n[s]\r\nk=2\r\n");
    int asked = 0;
    TBigIniFile ini(path, [&](void *, const std::string &name, const auto &earlier, const auto &later) {
        ++asked;
        EXPECT_EQ(name, "s");
        EXPECT_EQ(earlier.front(), "k=1");
        EXPECT_EQ(later.front(), "k=2");
        return false;
    });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
}

TEST(IniFile, EmptySectionsAreNotWritten)
{
    TempDir dir;
    QString path = dir.write("a.ini", "[Empty]\r\n[S]\r\nk=1\r\n");
    TBiggerIniFile ini(path);
    ini.WriteString("S", "k", "2");
    ini.UpdateFile();
    EXPECT_EQ(TempDir::read(path), QByteArray("[S]\r\nk=2\r\n\r\n"));
}

TEST(IniFile, WritingTheStoredValueLeavesTheFileUntouched)
{
    TempDir dir;
    QString path = dir.write("a.ini", "[S]\nk=v\r\n");
    struct stat before {};
    ::stat(QFile::encodeName(path).constData(), &before);
    TBiggerIniFile ini(path);
    ini.WriteString("S", "k\n", "x"); // LF-only header makes the whole first line text: no section S
    EXPECT_TRUE(ini.Modified());
    TBiggerIniFile same(dir.write("b.ini", "[S]\r\nk=v\r\n"));
    same.WriteString("S", "k", "v");
    EXPECT_FALSE(same.Modified());
    struct stat b1 {};
    ::stat(QFile::encodeName(dir.file("b.ini")).constData(), &b1);
    same.UpdateFile();
    struct stat b2 {};
    ::stat(QFile::encodeName(dir.file("b.ini")).constData(), &b2);
    EXPECT_EQ(b1.st_ino, b2.st_ino);
    EXPECT_EQ(b1.st_mtim.tv_nsec, b2.st_mtim.tv_nsec);
    EXPECT_EQ(TempDir::read(dir.file("b.ini")), QByteArray("[S]\r\nk=v\r\n"));
}

TEST(IniFile, ChangedCaseIsAChange)
{
    TempDir dir;
    TBiggerIniFile ini(dir.write("a.ini", "[S]\r\nk=v\r\n"));
    ini.WriteString("S", "K", "v");
    EXPECT_TRUE(ini.Modified());
}

TEST(IniFile, EmptyKeyErasesTheSection)
{
    TempDir dir;
    QString path = dir.write("a.ini", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
    TBiggerIniFile ini(path);
    ini.WriteString("a", "", "");
    ini.UpdateFile();
    EXPECT_EQ(TempDir::read(path), QByteArray("[B]\r\ny=2\r\n\r\n"));
}

TEST(IniFile, SectionCursorFollowsTheLastFoundSection)
{
    TempDir dir;
    TBiggerIniFile ini(dir.write("a.ini", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[C]\r\nz=3\r\n"));
    EXPECT_EQ(ini.SectionCursor(), 0);
    ini.ReadString("C", "z", "");
    EXPECT_EQ(ini.SectionCursor(), 2);
    ini.ReadString("B", "y", ""); // found after wrapping around
    EXPECT_EQ(ini.SectionCursor(), 1);
    ini.ReadString("missing", "y", "");
    EXPECT_EQ(ini.SectionCursor(), 1);
}

TEST(IniFile, MissingFileIsEmptyAndNothingIsWrittenWithoutChanges)
{
    TempDir dir;
    {
        TBiggerIniFile ini(dir.file("none.ini"));
        EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
        ini.UpdateFile();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.file("none.ini")));
}

TEST(IniFile, DestroyFlushes)
{
    TempDir dir;
    {
        TBiggerIniFile ini(dir.file("d.ini"));
        ini.WriteInteger("S", "k", 5);
    }
    EXPECT_EQ(TempDir::read(dir.file("d.ini")), QByteArray("[S]\r\nk=5\r\n\r\n"));
}

TEST(IniFile, ReadOnlyFileRaisesAccessDeniedAndKeepsItsContent)
{
    TempDir dir;
    QString path = dir.write("ro.ini", "[S]\r\nk=1\r\n");
    ::chmod(QFile::encodeName(path).constData(), 0444);
    TBiggerIniFile ini(path);
    ini.WriteString("S", "k", "2");
    try {
        ini.UpdateFile();
        FAIL() << "no error raised";
    } catch (const tb::EInOutError &e) {
        EXPECT_EQ(e.message(), "File access denied");
    }
    EXPECT_EQ(TempDir::read(path), QByteArray("[S]\r\nk=1\r\n"));
    ::chmod(QFile::encodeName(path).constData(), 0644);
}

TEST(IniFile, FailedWriteLeavesNoTemporaryFileAndTheOldContent)
{
    TempDir dir;
    // The target turns into a folder before the write: the replacement must fail and leave
    // nothing behind.
    TBiggerIniFile ini(dir.file("x.ini"));
    ini.WriteString("S", "k", "1");
    QDir(dir.path()).mkdir("x.ini");
    EXPECT_THROW(ini.UpdateFile(), tb::EInOutError);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
}

TEST(IniFile, RewriteKeepsPermissionsAndReplacesAtomically)
{
    TempDir dir;
    QString path = dir.write("p.ini", "[S]\r\nk=1\r\n");
    ::chmod(QFile::encodeName(path).constData(), 0600);
    TBiggerIniFile ini(path);
    ini.WriteString("S", "k", "2");
    ini.UpdateFile();
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(IniFile, WritesThroughASymbolicLinkKeepTheLink)
{
    TempDir dir;
    QString real = dir.write("real.ini", "[S]\r\nk=1\r\n");
    QFile::link(real, dir.file("link.ini"));
    TBiggerIniFile ini(dir.file("link.ini"));
    ini.WriteString("S", "k", "2");
    ini.UpdateFile();
    EXPECT_TRUE(QFileInfo(dir.file("link.ini")).isSymLink());
    EXPECT_EQ(TempDir::read(real), QByteArray("[S]\r\nk=2\r\n\r\n"));
}

// Hostile files: each loads without crashing, and an honest read still works afterwards.
TEST(IniFile, LoadingAFolderRaisesAnInputOutputError)
{
    TempDir dir;
    QDir(dir.path()).mkdir("d.ini");
    EXPECT_THROW(TBiggerIniFile ini(dir.file("d.ini")), tb::EInOutError);
}

TEST(IniFile, HostileFilesLoad)
{
    TempDir dir;
    QByteArray random(1 << 20, '\0');
    uint32_t seed = 12345;
    for (char &c : random) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    QByteArray longLine = "[S]\r\nk=" + QByteArray(50 * 1024 * 1024, 'a') + "\r\nj=2\r\n";
    QByteArray lfOnly;
    for (int i = 0; i < 1000; ++i)
        lfOnly += "[S" + QByteArray::number(i) + "]\nk=1\n";
    const std::pair<const char *, QByteArray> files[] = {
        {"random", random}, {"long", longLine}, {"lf", lfOnly}, {"eof", QByteArray("[S]\r\nj=2\x1A\r\n[T]\r\nk=1\r\n")}};
    for (const auto &[name, bytes] : files) {
        TBiggerIniFile ini(dir.write(QString(name) + ".ini", bytes));
        ini.ReadString("S", "k", "");
        if (QByteArray(name) == "long") {
            EXPECT_EQ(ini.ReadString("S", "k", "").size(), 50 * 1024 * 1024);
            EXPECT_EQ(ini.ReadInteger("S", "j", 0), 2);
        }
        if (QByteArray(name) == "lf") {
            EXPECT_EQ(ini.Sections().count(), 0) << "LF-only text is one line";
        }
        if (QByteArray(name) == "eof") {
            EXPECT_EQ(ini.ReadInteger("S", "j", 0), 2);
            EXPECT_EQ(ini.ReadInteger("T", "k", 0), 0);
        }
    }
}

TEST(AppIniFile, IsNamedAfterTheExecutableInTheProgramFolder)
{
    TempDir dir;
    QString name = tb::TAppIniFile::SettingsFileName(dir.path());
    EXPECT_EQ(name, dir.path() + "settings_tests.ini");
    {
        tb::TAppIniFile ini(dir.path());
        ini.WriteBool("Options", "IsPlayCycle", false);
        ini.UpdateFile();
    }
    EXPECT_EQ(TempDir::read(name), QByteArray("[Options]\r\nIsPlayCycle=0\r\n\r\n"));
}

} // namespace
