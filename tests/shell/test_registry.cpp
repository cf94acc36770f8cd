// The settings store against a private configuration folder.
#include "Registry.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class SettingsStore : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mConfigDir.isValid());
        qputenv("XDG_CONFIG_HOME", mConfigDir.path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, mConfigDir.path());
    }
    QTemporaryDir mConfigDir;
};

TEST_F(SettingsStore, WritesReadBackAndLeaveTheOtherValuesAlone) {
    EXPECT_FALSE(ValueExists(SettingsKey, "OpenFolder"));
    EXPECT_FALSE(ReadValue(SettingsKey, "OpenFolder").isValid());
    WriteString(SettingsKey, "OpenFolder", "/a");
    WriteString(SettingsKey, "SaveFolder", "/home/ann/Bilder/Ausgabe ü");
    WriteString(SettingsKey, "OpenFolder", "/c=d;e\\f");
    EXPECT_EQ(ReadValue(SettingsKey, "OpenFolder").toString(), "/c=d;e\\f");
    EXPECT_EQ(ReadValue(SettingsKey, "SaveFolder").toString(), "/home/ann/Bilder/Ausgabe ü");
    EXPECT_TRUE(QFile::exists(mConfigDir.path() + "/Norvane/Quillet.conf"));
}

TEST_F(SettingsStore, EmptyTextIsPresentAndANumberReadsAsText) {
    WriteString(SettingsKey, "FirstTime", "");
    EXPECT_TRUE(ValueExists(SettingsKey, "FirstTime"));
    EXPECT_EQ(ReadValue(SettingsKey, "FirstTime").toString(), "");
    QSettings("Norvane", "Quillet").setValue("OpenFolder", 1234);
    EXPECT_EQ(ReadValue(SettingsKey, "OpenFolder").toString(), "1234");
}
