#include "platform/registry.h"
#include "tests/support/temp_world.h"

#include <QFile>

using namespace plat;

namespace {

const QString kKey = "Software\\Tamsel.Works\\Korvane\\2.0.0g";

} // namespace

class Registry : public TempWorld {
protected:
    void TearDown() override
    {
        SetRegistryFileName(QString());
        TempWorld::TearDown();
    }
    QString DefaultFile() const { return ConfigHome() + "korvane/registry.ini"; }
};

TEST_F(Registry, KeysExistOnlyOnceCreatedAndIgnoreCase)
{
    EXPECT_EQ(RegistryFileName(), DefaultFile());
    EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, kKey, false));
    EXPECT_FALSE(QFile::exists(DefaultFile())) << "a plain open writes nothing";
    ASSERT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, kKey, true));
    EXPECT_EQ(ReadFile(DefaultFile()),
              QByteArray("[HKEY_CURRENT_USER\\Software\\Tamsel.Works\\Korvane\\2.0.0g]\n"));
    EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, "\\SOFTWARE\\tamsel.works\\", false))
        << "the parent of a key exists";
    EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, kKey.toUpper(), false));
    EXPECT_FALSE(RegistryKey::Open(RegistryRoot::LocalMachine, kKey, false));
    EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Tamsel", false))
        << "a key whose name only begins like another one";
    EXPECT_TRUE(RegistryKey::Open(RegistryRoot::Users, QString(), false)) << "a root always exists";
}

TEST_F(Registry, ValuesComeBackWithTheirTypesOnly)
{
    auto key = RegistryKey::Open(RegistryRoot::CurrentUser, kKey, true);
    ASSERT_TRUE(key);
    const QByteArray binary("\x00\x01\xff\x80\x00\x00\xf0\x3f", 8);
    ASSERT_TRUE(key->WriteDword("Useful", 0xFFFFFFFFu));
    ASSERT_TRUE(key->WriteBinary("LastVersionCheckDate", binary));
    ASSERT_TRUE(key->WriteString("Empty", QString()));
    ASSERT_TRUE(key->WriteString(QString(), "default value"));
    const auto reopened = RegistryKey::Open(RegistryRoot::CurrentUser, kKey, false);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->ReadDword("USEFUL"), 0xFFFFFFFFu);
    EXPECT_EQ(reopened->ReadBinary("LastVersionCheckDate"), binary);
    EXPECT_EQ(reopened->ReadString("Empty"), QString());
    EXPECT_EQ(reopened->ReadString(QString()), "default value");

    // A missing value, or one of another type, reads as nothing.
    ASSERT_TRUE(key->WriteString("PerformCheck", "1"));
    EXPECT_FALSE(key->ReadDword("PerformCheck"));
    EXPECT_FALSE(key->ReadBinary("Useful"));
    EXPECT_FALSE(key->ReadString("Useful"));
    EXPECT_FALSE(key->ReadDword("Missing"));

    WriteFile(DefaultFile(), "[HKEY_CURRENT_USER\\" + kKey.toUtf8() + "]\nBad=dword:xyz\nHex=hex:01,zz\n");
    EXPECT_FALSE(key->ReadDword("Bad"));
    EXPECT_FALSE(key->ReadBinary("Hex"));
}

TEST_F(Registry, WritesKeepTheOtherKeysAndCanGoToAnotherFile)
{
    auto first = RegistryKey::Open(RegistryRoot::CurrentUser, QStringLiteral("Software\\A"), true);
    auto second = RegistryKey::Open(RegistryRoot::LocalMachine, QStringLiteral("Software\\A"), true);
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(first->WriteDword("V", 1));
    ASSERT_TRUE(second->WriteDword("V", 2));
    EXPECT_EQ(first->ReadDword("V"), 1u);
    EXPECT_EQ(second->ReadDword("V"), 2u);

    const QString elsewhere = Root() + "other/registry.ini";
    SetRegistryFileName(elsewhere);
    EXPECT_FALSE(first->ReadDword("V"));
    ASSERT_TRUE(first->WriteDword("V", 7));
    EXPECT_TRUE(QFile::exists(elsewhere));
    SetRegistryFileName(QString());
    EXPECT_EQ(first->ReadDword("V"), 1u);
}

TEST_F(Registry, FileTypesAndUnwritableFilesGetNothing)
{
    EXPECT_FALSE(RegistryKey::Open(RegistryRoot::ClassesRoot, ".korvane3", false));
    auto key = RegistryKey::Open(RegistryRoot::ClassesRoot, QStringLiteral(".korvane3"), true);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->WriteString(QString(), "file.korvane3"));
    EXPECT_FALSE(key->ReadString(QString()));
    EXPECT_FALSE(QFile::exists(DefaultFile()));

    const QString fileName = WriteFile("locked.ini", "[HKEY_CURRENT_USER\\Software\\Kept]\n");
    QFile::setPermissions(fileName, QFile::ReadOwner);
    SetRegistryFileName(fileName);
    EXPECT_FALSE(RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\New", true));
    auto kept = RegistryKey::Open(RegistryRoot::CurrentUser, QStringLiteral("Software\\Kept"), true);
    ASSERT_TRUE(kept);
    EXPECT_FALSE(kept->WriteDword("V", 1));
    EXPECT_EQ(ReadFile(fileName), QByteArray("[HKEY_CURRENT_USER\\Software\\Kept]\n"));
}
