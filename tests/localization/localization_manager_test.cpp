#include "localization/localization_manager.h"

#include "platform/defaults_store.h"
#include "platform/log_sink.h"
#include "platform/fakes/memory_log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <filesystem>

namespace vardo {
namespace {

const QString fixtureRoot = QStringLiteral(VARDO_SOURCE_DIR "/tests/localization/fixtures/lproj");

class LocalizationManagerTest : public ::testing::Test {
protected:
    std::unique_ptr<LocalizationManager> start(const QString &root = fixtureRoot)
    {
        auto manager = std::make_unique<LocalizationManager>(store, root, log);
        QObject::connect(manager.get(), &LocalizationManager::currentLanguageChanged,
                         [this] { ++notifications; });
        return manager;
    }

    std::optional<std::string> storedLanguage() const { return store.string("app_language"); }

    MemoryDefaultsStore store;
    MemoryLog log;
    int notifications = 0;
};

TEST_F(LocalizationManagerTest, FirstStartIsEnglishFromTheEnglishFolderWithoutWriting)
{
    const auto manager = start();
    EXPECT_EQ(manager->currentLanguage(), "en");
    EXPECT_EQ(manager->bundleLanguage(), "en");
    EXPECT_EQ(manager->localized("status.protected"), "Protected");
    EXPECT_EQ(store.writeCount("app_language"), 0);
    EXPECT_FALSE(storedLanguage().has_value());
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(LocalizationManagerTest, StartsInTheStoredLanguage)
{
    store.setString("app_language", "de");
    const auto manager = start();
    EXPECT_EQ(manager->currentLanguage(), "de");
    EXPECT_EQ(manager->localized("status.protected"), "Geschützt");
    EXPECT_EQ(store.writeCount("app_language"), 1); // only the test's own write
}

TEST_F(LocalizationManagerTest, StoredValueOfAnotherTypeCountsAsAbsent)
{
    store.setInteger("app_language", 3);
    EXPECT_EQ(start()->currentLanguage(), "en");
}

TEST_F(LocalizationManagerTest, ChoosingALanguageStoresItReloadsAndNotifies)
{
    const auto manager = start();
    manager->setCurrentLanguage("de");
    EXPECT_EQ(storedLanguage(), "de");
    EXPECT_EQ(manager->currentLanguage(), "de");
    EXPECT_EQ(manager->bundleLanguage(), "de");
    EXPECT_EQ(manager->localized("status.protected"), "Geschützt");
    EXPECT_EQ(manager->localizedPlatform("Unlock Delay"), "Entsperrverzögerung");
    EXPECT_EQ(notifications, 1);
}

TEST_F(LocalizationManagerTest, ChoosingTheSameLanguageAgainStillStoresReloadsAndNotifies)
{
    QTemporaryDir root;
    const auto copy = std::filesystem::copy_options::recursive;
    std::filesystem::copy(fixtureRoot.toStdString(), root.path().toStdString(), copy);
    store.setString("app_language", "de");
    const auto manager = start(root.path());
    ASSERT_EQ(manager->localized("status.protected"), "Geschützt");

    QFile table(root.path() + "/de.lproj/Localizable.strings");
    ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
    table.write("\"status.protected\" = \"Geschützt (neu)\";\n");
    table.close();

    manager->setCurrentLanguage("de");
    EXPECT_EQ(manager->localized("status.protected"), "Geschützt (neu)");
    EXPECT_EQ(store.writeCount("app_language"), 2);
    EXPECT_EQ(notifications, 1);
}

TEST_F(LocalizationManagerTest, LanguageWithoutAFolderShowsEnglishAndIsStillStored)
{
    const auto manager = start();
    manager->setCurrentLanguage("ja");
    EXPECT_EQ(manager->currentLanguage(), "ja");
    EXPECT_EQ(storedLanguage(), "ja");
    EXPECT_EQ(manager->bundleLanguage(), "en");
    EXPECT_EQ(manager->localized("status.protected"), "Protected");
    EXPECT_TRUE(log.contains("[Localization] no usable ja.lproj; showing en.lproj"));
}

TEST_F(LocalizationManagerTest, FolderWithoutItsMainTableShowsEnglish)
{
    const auto manager = start();
    manager->setCurrentLanguage("it");
    EXPECT_EQ(manager->bundleLanguage(), "en");
    EXPECT_EQ(manager->localizedPlatform("Unlock Delay"), "Unlock Delay");
}

TEST_F(LocalizationManagerTest, StoredCodeOutsideTheListStaysCurrentWithEnglishTexts)
{
    store.setString("app_language", "tlh");
    const auto manager = start();
    EXPECT_EQ(manager->currentLanguage(), "tlh");
    EXPECT_EQ(manager->bundleLanguage(), "en");
    EXPECT_EQ(manager->localized("menu.locks"), "Locks today: %d");
}

TEST_F(LocalizationManagerTest, CodeThatIsNotAPlainNameNeverReachesTheFileSystem)
{
    const auto manager = start();
    manager->setCurrentLanguage("../fixtures/lproj/de");
    EXPECT_EQ(manager->bundleLanguage(), "en");
    EXPECT_EQ(storedLanguage(), "../fixtures/lproj/de");
}

TEST_F(LocalizationManagerTest, MalformedChosenTableFallsBackToEnglishWithALogLine)
{
    const auto manager = start();
    manager->setCurrentLanguage("fr");
    EXPECT_EQ(manager->currentLanguage(), "fr");
    EXPECT_EQ(storedLanguage(), "fr");
    EXPECT_EQ(manager->bundleLanguage(), "en");
    EXPECT_EQ(manager->localized("status.protected"), "Protected");
    EXPECT_TRUE(log.contains("[Localization] fr.lproj/Localizable.strings:3: expected ';' after value"));
}

TEST_F(LocalizationManagerTest, MissingKeyShowsAsTheKey)
{
    const auto manager = start();
    EXPECT_EQ(manager->localized("tips.title"), "tips.title");
    manager->setCurrentLanguage("de");
    EXPECT_EQ(manager->localized("fixture.english_only"), "fixture.english_only");
    EXPECT_EQ(manager->localized(QStringLiteral("tips.title")), "tips.title");
}

TEST_F(LocalizationManagerTest, WithoutAnyTableEveryKeyShowsAsItself)
{
    QTemporaryDir empty;
    const auto manager = start(empty.path());
    EXPECT_EQ(manager->bundleLanguage(), "");
    EXPECT_EQ(manager->localized("status.protected"), "status.protected");
    EXPECT_EQ(manager->localizedPlatform("Unlock Delay"), "Unlock Delay");
    EXPECT_TRUE(log.contains("[Localization] no usable en.lproj under"));
}

TEST_F(LocalizationManagerTest, PlatformLabelsShowAsWrittenWhereALanguageHasNoText)
{
    const auto manager = start();
    manager->setCurrentLanguage("de");
    EXPECT_EQ(manager->localizedPlatform("Instant"), "Instant");
    EXPECT_EQ(manager->localizedPlatform("Rate App"), "Rate App");
}

TEST_F(LocalizationManagerTest, BrokenPlatformTableCostsOnlyThePlatformLabels)
{
    const auto manager = start();
    manager->setCurrentLanguage("es");
    EXPECT_EQ(manager->bundleLanguage(), "es");
    EXPECT_EQ(manager->localized("status.protected"), "Protegido");
    EXPECT_EQ(manager->localizedPlatform("Unlock Delay"), "Unlock Delay");
    EXPECT_TRUE(log.contains("[Localization] es.lproj/Platform.strings:1: expected ';' after value"));
}

TEST_F(LocalizationManagerTest, OnlyArabicIsRightToLeft)
{
    const auto manager = start();
    for (const auto &language : LocalizationManager::languages()) {
        const QString code = QString::fromUtf8(language.code.data(), language.code.size());
        manager->setCurrentLanguage(code);
        EXPECT_EQ(manager->isRightToLeft(), code == "ar") << language.code;
        EXPECT_EQ(manager->layoutDirection(), code == "ar" ? Qt::RightToLeft : Qt::LeftToRight);
    }
    for (const char *almost : {"AR", "ar-SA", "ar ", "fa", "he"}) {
        manager->setCurrentLanguage(almost);
        EXPECT_FALSE(manager->isRightToLeft()) << almost;
    }
    manager->setCurrentLanguage("ar");
    EXPECT_TRUE(manager->isRightToLeft());
    EXPECT_EQ(manager->property("isRightToLeft").toBool(), true);
    EXPECT_EQ(manager->property("layoutDirection").value<Qt::LayoutDirection>(), Qt::RightToLeft);
    EXPECT_EQ(manager->localized("status.protected"), "محمي");
}

TEST_F(LocalizationManagerTest, CurrentLanguageIsAWritableNotifyingProperty)
{
    const auto manager = start();
    EXPECT_TRUE(manager->setProperty("currentLanguage", "de"));
    EXPECT_EQ(manager->property("currentLanguage").toString(), "de");
    EXPECT_EQ(storedLanguage(), "de");
    EXPECT_EQ(notifications, 1);
}

TEST_F(LocalizationManagerTest, FormatsLookedUpTexts)
{
    const auto manager = start();
    manager->setCurrentLanguage("de");
    EXPECT_EQ(manager->localizedFormat("menu.locks", 4), "Sperren heute: 4");
    EXPECT_EQ(manager->localizedFormat("events.count", std::int64_t{12}), "Gesamt: 12");
    EXPECT_EQ(manager->localizedFormat("onboarding.match", 87), "87 % Übereinstimmung");
    EXPECT_EQ(manager->localizedFormat("fixture.reordered", "Anna", 2), "2 Gesichter bei Anna");
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(LocalizationManagerTest, FormatsForQmlWhoseNumbersArriveAsDoubles)
{
    const auto manager = start();
    EXPECT_EQ(manager->localizedFormat("menu.locks", QVariantList{3.0}), "Locks today: 3");
    EXPECT_EQ(manager->localizedFormat("fixture.reordered", QVariantList{"Anna", 2}),
              "Anna has 2 faces");
    EXPECT_EQ(manager->localizedFormat("menu.locks", QVariantList{2.5}), "Locks today: %d");
}

TEST_F(LocalizationManagerTest, MismatchedPlaceholdersShowTheTextUnformattedAndLogOncePerKey)
{
    const auto manager = start();
    manager->setCurrentLanguage("es");
    EXPECT_EQ(manager->localizedFormat("menu.locks", 4), "Bloqueos hoy: %s");
    EXPECT_EQ(manager->localizedFormat("menu.locks", 5), "Bloqueos hoy: %s");
    EXPECT_EQ(manager->localizedFormat("status.protected", 1), "Protegido");
    const auto lines = log.lines();
    const auto count = std::count_if(lines.begin(), lines.end(), [](const std::string &line) {
        return line.find("\"menu.locks\"") != std::string::npos;
    });
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(log.contains("[Localization] \"menu.locks\" in es.lproj: argument 1 is an "
                             "integer but the text expects a string; showing the text unformatted"));
    EXPECT_TRUE(log.contains("[Localization] \"status.protected\" in es.lproj: expects 0 arguments, given 1"));
}

TEST(LocalizationLanguages, AreTheTwentyFiveInPickerOrderWithNativeNames)
{
    const auto languages = LocalizationManager::languages();
    ASSERT_EQ(languages.size(), 25u);
    std::vector<std::string_view> codes;
    for (const auto &language : languages)
        codes.push_back(language.code);
    EXPECT_EQ(codes, (std::vector<std::string_view>{
                         "en", "es", "fr", "de", "it", "pt-BR", "pt-PT", "nl", "sv", "da", "nb", "fi",
                         "pl", "cs", "sk", "hu", "ro", "uk", "ru", "tr", "ar", "ja", "ko", "zh-Hans",
                         "zh-Hant"}));
    EXPECT_EQ(languages[0].nativeName, "English");
    EXPECT_EQ(languages[10].nativeName, "Norsk Bokmål");
    EXPECT_EQ(languages[20].nativeName, "العربية");
    EXPECT_EQ(languages[24].nativeName, "繁體中文");
    EXPECT_EQ(languages[5].id(), "pt-BR");
}

TEST(LocalizationLanguages, AreOfferedToQmlAsCodeAndNativeName)
{
    MemoryDefaultsStore store;
    MemoryLog log;
    LocalizationManager manager(store, fixtureRoot, log);
    const QVariantList list = manager.property("languages").toList();
    ASSERT_EQ(list.size(), 25);
    const QVariantMap zh = list[23].toMap();
    EXPECT_EQ(zh.value("code").toString(), "zh-Hans");
    EXPECT_EQ(zh.value("nativeName").toString(), QString::fromUtf8("简体中文"));
}

} // namespace
} // namespace vardo
