// The settings store against a private configuration folder.
#include "Registry.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(SettingsStore, WritesReadBackLeaveOtherValuesAloneAndEmptyTextOrNumbersAreValues) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    EXPECT_FALSE(ValueExists(SettingsKey, "OpenFolder"));
    EXPECT_FALSE(ReadValue(SettingsKey, "OpenFolder").isValid());
    WriteString(SettingsKey, "OpenFolder", "/a");
    WriteString(SettingsKey, "SaveFolder", "/home/ann/Bilder/Ausgabe ü");
    WriteString(SettingsKey, "OpenFolder", "/c=d;e\\f");
    WriteString(SettingsKey, "FirstTime", "");
    EXPECT_EQ(ReadValue(SettingsKey, "OpenFolder").toString(), "/c=d;e\\f");
    EXPECT_EQ(ReadValue(SettingsKey, "SaveFolder").toString(), "/home/ann/Bilder/Ausgabe ü");
    EXPECT_TRUE(QFile::exists(config.path() + "/Norvane/Quillet.conf"));
    EXPECT_TRUE(ValueExists(SettingsKey, "FirstTime"));
    EXPECT_EQ(ReadValue(SettingsKey, "FirstTime").toString(), "");
    QSettings("Norvane", "Quillet").setValue("OpenFolder", 1234);
    EXPECT_EQ(ReadValue(SettingsKey, "OpenFolder").toString(), "1234");
}
