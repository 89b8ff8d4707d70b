// The application's instance, in its own program: it is created once per process.

#include "localization/localization_manager.h"

#include "platform/defaults_store.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace vardo {
namespace {

TEST(SharedLocalizationManager, IsCreatedOnceFromAnyThreadWithTheApplicationStoreAndEmbeddedTables)
{
    static MemoryDefaultsStore store;
    store.setString("app_language", "tlh"); // not a language of the picker
    LocalizationManager::setSharedStore(&store);

    std::vector<LocalizationManager *> seen(4);
    std::vector<std::thread> threads;
    for (auto &slot : seen)
        threads.emplace_back([&slot] { slot = &LocalizationManager::shared(); });
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(std::set<LocalizationManager *>(seen.begin(), seen.end()).size(), 1u);

    LocalizationManager &manager = *seen.front();
    EXPECT_EQ(manager.currentLanguage(), "tlh");
    // The English table is compiled in, so a language without its own folder still
    // shows English texts rather than keys.
    EXPECT_EQ(manager.bundleLanguage(), "en");
    EXPECT_NE(localized("status.protected"), "status.protected");

    EXPECT_EQ(localizedFormat("menu.locks", 3), manager.localizedFormat("menu.locks", 3).toStdString());

    MemoryDefaultsStore late;
    LocalizationManager::setSharedStore(&late); // ignored: the instance exists
    manager.setCurrentLanguage("de");
    EXPECT_EQ(store.string("app_language"), "de");
    EXPECT_FALSE(late.string("app_language").has_value());
}

} // namespace
} // namespace vardo
