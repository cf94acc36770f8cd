/* cGDIP: status texts, the extension index, the Error signal, two instances. */
#include "cGDIP.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

/* Opens the extension index to the pattern-list tests. */
class cGDIPProbe : public cGDIP {
public:
    using cGDIP::AddExtensions;
};

TEST(cGDIP, ErrorRaisesTheSignalSynchronouslyWithTheCodesDescription) {
    cGDIP gdip;
    std::vector<QString> reports;
    QObject::connect(&gdip, cGDIP::ErrorSignal(),
                     [&](int32_t code, const QString& text, const QString& className) {
                         reports.push_back(QString::number(code) + ' ' + text + ' ' + className);
                     });
    EXPECT_FALSE(gdip.Error(20, QStringLiteral("cBitmap")).isValid());
    gdip.Error(0, QStringLiteral("cGraphics"));
    EXPECT_EQ(reports, (std::vector<QString>{"20 Property Not Supported cBitmap", "0 Unknown GDI+ Error cGraphics"}));
    EXPECT_EQ(cGDIP::ErrorDescription(1), "Generic Error");
    for (int32_t code : {21, -1, 1000})
        EXPECT_EQ(cGDIP::ErrorDescription(code), "Unknown GDI+ Error") << code;
}

TEST(cGDIP, PatternListsSplitWithOnlyTheLastPatternTrimmed) {
    cGDIPProbe gdip;
    gdip.AddExtensions(QStringLiteral("*.AA;*.AB;*.AC;*.AD"), QStringLiteral(";"), 7);
    for (const char* key : {"*.AA", "*.ab", "*.Ac", "*.aD"})
        EXPECT_EQ(gdip.ExtensionExists(QString::fromLatin1(key)), 7) << key;
    gdip.AddExtensions(QStringLiteral("*.ONE"), QStringLiteral(";"), 8);
    EXPECT_EQ(gdip.ExtensionExists(QStringLiteral("*.one")), 8);
    gdip.AddExtensions(QStringLiteral("*.X; *.Y ;  *.Z  "), QStringLiteral(";"), 9);
    EXPECT_EQ(gdip.ExtensionExists(QStringLiteral("*.X")), 9);
    EXPECT_EQ(gdip.ExtensionExists(QStringLiteral(" *.Y ")), 9);  /* kept as it stands */
    EXPECT_EQ(gdip.ExtensionExists(QStringLiteral("*.Y")), -1);
    EXPECT_EQ(gdip.ExtensionExists(QStringLiteral("*.z")), 9);    /* the last one is trimmed */
    /* A list ending in the delimiter adds no empty key. */
    gdip.AddExtensions(QStringLiteral("*.Q;"), QStringLiteral(";"), 10);
    EXPECT_EQ(gdip.ExtensionExists(QString()), -1);
}

TEST(cGDIP, EncoderIndexFollowsTheLibrarysOrderAndIgnoresCase) {
    cGDIP gdip;
    EXPECT_EQ(gdip.StartupStatus(), 0);
    const int32_t png = gdip.ExtensionExists(QStringLiteral("*.png"));
    const int32_t jpeg = gdip.ExtensionExists(QStringLiteral("*.jpg"));
    ASSERT_GE(png, 0);
    ASSERT_GE(jpeg, 0);
    EXPECT_EQ(gdip.ExtensionExists(QStringLiteral("*.Png")), png);
    for (const char* key : {"*.jpeg", "*.JPE", "*.jfif"})
        EXPECT_EQ(gdip.ExtensionExists(QString::fromLatin1(key)), jpeg) << key;
    for (const char* key : {"png", ".png", "", "*.heic"})
        EXPECT_EQ(gdip.ExtensionExists(QString::fromLatin1(key)), -1) << key;
    EXPECT_EQ(gdip.ExtensionExists(QStringLiteral("*.WebP")), gdip.EncoderCount() - 1); /* the last one */
    EXPECT_FALSE(gdip.EncoderClsid(jpeg) == gdip.EncoderClsid(png));
    EXPECT_TRUE(gdip.EncoderClsid(-1) == CLSID{});
    EXPECT_TRUE(gdip.EncoderClsid(gdip.EncoderCount()) == CLSID{});
}

TEST(cGDIP, TwoInstancesLiveIndependently) {
    auto first = std::make_unique<cGDIP>();
    cGDIP second;
    const int32_t before = second.ExtensionExists(QStringLiteral("*.png"));
    first.reset();
    EXPECT_EQ(second.ExtensionExists(QStringLiteral("*.png")), before);
    EXPECT_EQ(second.EncoderCount(), cGDIP().EncoderCount());
}

TEST(cGDIP, StringToGuidParsesOnlyTheBracedForm) {
    const GUID guid = cGDIP::StringToGuid(QStringLiteral("{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}"));
    EXPECT_TRUE(guid == EncoderQuality);
    for (const char* bad : {"not a guid", "1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB", "{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7E}",
                            "{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EBX}", "{1D5BE4G5-FA4A-452D-9CDD-5DB35105E7EB}"})
        EXPECT_TRUE(cGDIP::StringToGuid(QString::fromLatin1(bad)) == GUID{}) << bad;
}

} // namespace
