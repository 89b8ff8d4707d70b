#include "localization/localization_manager.h"

#include "platform/defaults_store.h"
#include "platform/fakes/memory_log.h"

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
        QObject::connect(manager.get(), &LocalizationManager::currentLanguageChanged, [this] { ++notifications; });
        return manager;
    }

    MemoryDefaultsStore store;
    MemoryLog log;
    int notifications = 0;
};

TEST_F(LocalizationManagerTest, FirstStartIsEnglishWithoutWritingAndLaterStartsInTheStoredLanguage)
{
    {
        const auto manager = start();
        EXPECT_EQ(manager->localized("status.protected"), "Protected");
        EXPECT_EQ(store.writeCount("app_language"), 0);
    }
    store.setInteger("app_language", 3); // another type counts as absent
    EXPECT_EQ(start()->currentLanguage(), "en");
    store.setString("app_language", "de");
    const auto manager = start();
    EXPECT_EQ(manager->currentLanguage(), "de");
    EXPECT_EQ(manager->localized("status.protected"), "Geschützt");
    EXPECT_EQ(store.writeCount("app_language"), 2); // only the test's own writes
    EXPECT_TRUE(log.lines().empty());
}

// The texts come from the chosen folder only when its main table is usable.
TEST_F(LocalizationManagerTest, ChosenLanguageIsStoredAndShownFromTheBestUsableTable)
{
    const struct {
        const char *code, *bundle, *protectedText, *platformText, *log;
    } cases[] = {
        {"de", "de", "Geschützt", "Entsperrverzögerung", nullptr},
        {"ja", "en", "Protected", "Unlock Delay", "[Localization] no usable ja.lproj; showing en.lproj"},
        {"it", "en", "Protected", "Unlock Delay", nullptr}, // a folder without its main table
        {"tlh", "en", "Protected", "Unlock Delay", nullptr},
        {"../fixtures/lproj/de", "en", "Protected", "Unlock Delay", nullptr}, // never reaches the file system
        {"fr", "en", "Protected", "Unlock Delay",
         "[Localization] fr.lproj/Localizable.strings:3: expected ';' after value"},
        // A broken platform table costs only the platform labels.
        {"es", "es", "Protegido", "Unlock Delay",
         "[Localization] es.lproj/Platform.strings:1: expected ';' after value"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        log.clear();
        notifications = 0;
        const auto manager = start();
        manager->setCurrentLanguage(c.code);
        EXPECT_EQ(manager->currentLanguage(), c.code);
        EXPECT_EQ(store.string("app_language"), c.code);
        EXPECT_EQ(notifications, 1);
        EXPECT_EQ(manager->bundleLanguage(), c.bundle);
        EXPECT_EQ(manager->localized("status.protected"), c.protectedText);
        EXPECT_EQ(manager->localizedPlatform("Unlock Delay"), c.platformText);
        if (c.log)
            EXPECT_TRUE(log.contains(c.log));
    }
}

TEST_F(LocalizationManagerTest, ChoosingTheSameLanguageAgainStillStoresReloadsAndNotifies)
{
    QTemporaryDir root;
    std::filesystem::copy(fixtureRoot.toStdString(), root.path().toStdString(),
                          std::filesystem::copy_options::recursive);
    store.setString("app_language", "de");
    const auto manager = start(root.path());
    ASSERT_EQ(manager->localized("status.protected"), "Geschützt");

    QFile table(root.path() + "/de.lproj/Localizable.strings");
    ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
    table.write("\"status.protected\" = \"Geschützt (neu)\";\n");
    table.close();

    EXPECT_TRUE(manager->setProperty("currentLanguage", "de")); // as QML writes it
    EXPECT_EQ(manager->localized("status.protected"), "Geschützt (neu)");
    EXPECT_EQ(store.writeCount("app_language"), 2);
    EXPECT_EQ(notifications, 1);
}

TEST_F(LocalizationManagerTest, MissingTextsShowAsTheirKeyOrLabel)
{
    const auto manager = start();
    manager->setCurrentLanguage("de");
    EXPECT_EQ(manager->localized("fixture.english_only"), "fixture.english_only");
    EXPECT_EQ(manager->localizedPlatform("Instant"), "Instant");
    QTemporaryDir empty;
    const auto bare = start(empty.path());
    EXPECT_EQ(bare->bundleLanguage(), "");
    EXPECT_EQ(bare->localized("status.protected"), "status.protected");
    EXPECT_EQ(bare->localizedPlatform("Unlock Delay"), "Unlock Delay");
    EXPECT_TRUE(log.contains("[Localization] no usable en.lproj under"));
}

TEST_F(LocalizationManagerTest, OnlyArabicIsRightToLeft)
{
    const auto manager = start();
    for (const auto &language : LocalizationManager::languages()) {
        const QString code = QString::fromUtf8(language.code.data(), language.code.size());
        manager->setCurrentLanguage(code);
        EXPECT_EQ(manager->property("layoutDirection").value<Qt::LayoutDirection>(),
                  code == "ar" ? Qt::RightToLeft : Qt::LeftToRight) << language.code;
    }
    for (const char *almost : {"AR", "ar-SA", "fa", "he"}) {
        manager->setCurrentLanguage(almost);
        EXPECT_FALSE(manager->isRightToLeft()) << almost;
    }
}

TEST_F(LocalizationManagerTest, FormatsLookedUpTextsAlsoWithQmlsDoubles)
{
    const auto manager = start();
    EXPECT_EQ(manager->localizedFormat("menu.locks", QVariantList{3.0}), "Locks today: 3");
    EXPECT_EQ(manager->localizedFormat("fixture.reordered", QVariantList{"Anna", 2}), "Anna has 2 faces");
    manager->setCurrentLanguage("de");
    EXPECT_EQ(manager->localizedFormat("events.count", std::int64_t{12}), "Gesamt: 12");
    EXPECT_EQ(manager->localizedFormat("fixture.reordered", "Anna", 2), "2 Gesichter bei Anna");
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(manager->localizedFormat("menu.locks", QVariantList{2.5}), "Sperren heute: %d");
}

TEST_F(LocalizationManagerTest, MismatchedPlaceholdersShowTheTextUnformattedAndLogOncePerKey)
{
    const auto manager = start();
    manager->setCurrentLanguage("es");
    log.clear(); // its broken platform table
    EXPECT_EQ(manager->localizedFormat("menu.locks", 4), "Bloqueos hoy: %s");
    EXPECT_EQ(manager->localizedFormat("menu.locks", 5), "Bloqueos hoy: %s");
    EXPECT_EQ(manager->localizedFormat("status.protected", 1), "Protegido");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "[Localization] \"menu.locks\" in es.lproj: argument 1 is an integer but the text "
                               "expects a string; showing the text unformatted",
                               "[Localization] \"status.protected\" in es.lproj: expects 0 arguments, given 1; "
                               "showing the text unformatted"}));
}

// The picker's list decides which tables localization_tables_test requires.
TEST(LocalizationLanguages, AreTheTwentyFiveInPickerOrderAndOfferedToQml)
{
    std::vector<std::string_view> codes;
    for (const auto &language : LocalizationManager::languages())
        codes.push_back(language.code);
    EXPECT_EQ(codes, (std::vector<std::string_view>{"en", "es", "fr", "de", "it", "pt-BR", "pt-PT", "nl", "sv",
                                                    "da", "nb", "fi", "pl", "cs", "sk", "hu", "ro", "uk", "ru",
                                                    "tr", "ar", "ja", "ko", "zh-Hans", "zh-Hant"}));
    MemoryDefaultsStore store;
    MemoryLog log;
    LocalizationManager manager(store, fixtureRoot, log);
    const QVariantMap hans = manager.property("languages").toList().value(23).toMap();
    EXPECT_EQ(hans.value("code").toString(), "zh-Hans");
    EXPECT_EQ(hans.value("nativeName").toString(), QString::fromUtf8("简体中文"));
}

} // namespace
} // namespace vardo
