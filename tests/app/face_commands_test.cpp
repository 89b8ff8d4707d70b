#include "platform/fakes/memory_log.h"
#include "test_images.h"

#include "app/face_commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace vardo;
using namespace vardo::testing;

namespace {

std::vector<QJsonObject> jsonLines(const std::string &text)
{
    std::vector<QJsonObject> objects;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
        objects.push_back(doc.object());
    }
    return objects;
}

std::string path(const std::filesystem::path &p)
{
    return p.string();
}

} // namespace

TEST(FacesCommand, OneLinePerFaceThenTheRectangleCount)
{
    const std::string chip = path(identityImages("John_Salley").front());
    std::ostringstream out, err;
    MemoryLog log;
    EXPECT_EQ(runFacesCommand({chip}, out, err, log), 0);
    EXPECT_TRUE(err.str().empty());
    const auto lines = jsonLines(out.str());
    ASSERT_EQ(lines.size(), 2u);
    const QJsonObject &face = lines[0];
    EXPECT_EQ(face["image"].toString().toStdString(), chip);
    const QJsonArray box = face["box"].toArray();
    ASSERT_EQ(box.size(), 4);
    EXPECT_GT(box[0].toDouble(), 0.3);
    EXPECT_LT(box[0].toDouble() + box[2].toDouble(), 0.7);
    EXPECT_GE(face["confidence"].toDouble(), 0.7);
    EXPECT_GT(face["leftEye"].toDouble(), 0.2);
    EXPECT_GT(face["rightEye"].toDouble(), 0.2);
    EXPECT_TRUE(face["eyesOpen"].toBool());
    EXPECT_EQ(face["gate"].toString(), "ok");
    EXPECT_TRUE(face["embedding"].toBool());
    EXPECT_EQ(lines[1]["image"].toString().toStdString(), chip);
    EXPECT_EQ(lines[1]["rect"].toInt(), 1);
    EXPECT_TRUE(log.contains("[FaceID] Embedding model loaded successfully"));
}

TEST(FacesCommand, PhotoWithoutFacesGivesOnlyTheCount)
{
    std::ostringstream out, err;
    MemoryLog log;
    EXPECT_EQ(runFacesCommand({path(testData("groups/dogs.jpg"))}, out, err, log), 0);
    const auto lines = jsonLines(out.str());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["rect"].toInt(), 0);
}

TEST(FacesCommand, UnreadableImageIsAnErrorAndTheOthersAreStillReported)
{
    const auto broken = std::filesystem::temp_directory_path() / "vardo-broken-image.jpg";
    {
        std::ofstream(broken) << "\xff\xd8 not really a jpeg";
    }
    std::ostringstream out, err;
    MemoryLog log;
    const int status = runFacesCommand({broken.string(), "/nonexistent.png", path(testData("groups/dogs.jpg"))},
                                       out, err, log);
    std::filesystem::remove(broken);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.str().find("cannot read image " + broken.string()), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("cannot read image /nonexistent.png"), std::string::npos);
    EXPECT_EQ(jsonLines(out.str()).size(), 1u);
}

TEST(FacesCommand, NoImagesIsAUsageError)
{
    std::ostringstream out, err;
    MemoryLog log;
    EXPECT_EQ(runFacesCommand({}, out, err, log), 2);
    EXPECT_NE(err.str().find("usage"), std::string::npos);
}

TEST(VerifyCommand, SamePersonMatchesAndAnotherDoesNot)
{
    const auto salley = identityImages("John_Salley");
    std::vector<std::string> args{"--enroll"};
    for (int i = 0; i < 5; ++i)
        args.push_back(path(salley[i]));
    args.push_back("--probe");
    args.push_back(path(salley[7]));
    args.push_back(path(identityImages("John_Savage")[0]));
    args.push_back(path(testData("groups/dogs.jpg")));

    std::ostringstream out, err;
    MemoryLog log;
    // A probe without a usable face still gets its line, with no scores, and makes the
    // command fail with the reason.
    EXPECT_EQ(runVerifyCommand(args, out, err, log), 1) << err.str();
    EXPECT_EQ(err.str(), "nerova-vardo verify: no usable face with open eyes in " + path(testData("groups/dogs.jpg"))
                             + "\n");
    const auto lines = jsonLines(out.str());
    ASSERT_EQ(lines.size(), 3u);

    EXPECT_EQ(lines[0]["probe"].toString().toStdString(), path(salley[7]));
    EXPECT_GT(lines[0]["combined"].toDouble(), 0.55);
    EXPECT_TRUE(lines[0]["match"].toObject()["relaxed"].toBool());
    EXPECT_TRUE(lines[0]["match"].toObject()["balanced"].toBool());

    EXPECT_LT(lines[1]["combined"].toDouble(), 0.5);
    EXPECT_FALSE(lines[1]["match"].toObject()["relaxed"].toBool());
    EXPECT_FALSE(lines[1]["match"].toObject()["strict"].toBool());

    EXPECT_TRUE(lines[2]["combined"].isNull());
    EXPECT_TRUE(lines[2]["topK"].isNull());
    EXPECT_FALSE(lines[2]["match"].toObject()["relaxed"].toBool());
}

TEST(VerifyCommand, MalformedArgumentsAreAUsageError)
{
    std::ostringstream out, err;
    MemoryLog log;
    EXPECT_EQ(runVerifyCommand({"--probe", "a.jpg"}, out, err, log), 2);
    EXPECT_EQ(runVerifyCommand({"--enroll", "a.jpg"}, out, err, log), 2);
    EXPECT_EQ(runVerifyCommand({"a.jpg", "--enroll", "b.jpg", "--probe", "c.jpg"}, out, err, log), 2);
    EXPECT_EQ(runVerifyCommand({"--enroll", "a.jpg", "--probe", "b.jpg", "--bogus"}, out, err, log), 2);
    EXPECT_TRUE(out.str().empty());
}

TEST(VerifyCommand, NothingEnrolledIsAnError)
{
    std::ostringstream out, err;
    MemoryLog log;
    EXPECT_EQ(runVerifyCommand({"--enroll", path(testData("groups/dogs.jpg")), "--probe",
                                path(identityImages("John_Salley")[0])},
                               out, err, log),
              1);
    EXPECT_NE(err.str().find("nothing enrolled"), std::string::npos);
}
