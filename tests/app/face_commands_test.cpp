// The `faces` and `verify` commands on real photographs through the real models.

#include "app/face_commands.h"
#include "platform/fakes/memory_log.h"
#include "test_images.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace vardo;
using namespace vardo::testing;

namespace {

using Command = int (*)(const std::vector<std::string> &, std::ostream &, std::ostream &, LogSink &);

struct Outcome {
    int status;
    std::vector<QJsonObject> lines;
    std::string err;
    std::vector<std::string> log;
};

Outcome run(Command command, const std::vector<std::string> &args)
{
    std::ostringstream out, err;
    MemoryLog log;
    Outcome result{command(args, out, err, log), {}, err.str(), log.lines()};
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        QJsonParseError error;
        result.lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object());
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    }
    return result;
}

const std::string dogs = testData("groups/dogs.jpg").string();

} // namespace

TEST(FacesCommand, OneLinePerFaceThenTheRectangleCount)
{
    const std::string chip = identityImages("John_Salley").front().string();
    const Outcome faces = run(runFacesCommand, {chip, dogs});
    EXPECT_EQ(faces.status, 0);
    ASSERT_EQ(faces.lines.size(), 3u);
    const QJsonObject &face = faces.lines[0];
    EXPECT_EQ(face["image"].toString().toStdString(), chip);
    const QJsonArray box = face["box"].toArray();
    ASSERT_EQ(box.size(), 4);
    EXPECT_GT(box[0].toDouble(), 0.3);
    EXPECT_LT(box[0].toDouble() + box[2].toDouble(), 0.7);
    EXPECT_GE(face["confidence"].toDouble(), 0.7);
    EXPECT_TRUE(face["eyesOpen"].toBool());
    EXPECT_EQ(face["gate"].toString(), "ok");
    EXPECT_TRUE(face["embedding"].toBool());
    EXPECT_EQ(faces.lines[1]["rect"].toInt(), 1);
    // A photo without faces gets only its count.
    EXPECT_EQ(faces.lines[2]["rect"].toInt(), 0);
    EXPECT_NE(std::find(faces.log.begin(), faces.log.end(), "[FaceID] Embedding model loaded successfully"), faces.log.end());
}

TEST(FacesCommand, UnreadableImageIsAnErrorAndTheOthersAreStillReported)
{
    const auto broken = std::filesystem::temp_directory_path() / "vardo-broken-image.jpg";
    std::ofstream(broken) << "\xff\xd8 not really a jpeg";
    const Outcome faces = run(runFacesCommand, {broken.string(), "/nonexistent.png", dogs});
    std::filesystem::remove(broken);
    EXPECT_EQ(faces.status, 1);
    EXPECT_NE(faces.err.find("cannot read image " + broken.string()), std::string::npos) << faces.err;
    EXPECT_NE(faces.err.find("cannot read image /nonexistent.png"), std::string::npos);
    EXPECT_EQ(faces.lines.size(), 1u);
}

// A probe without a usable face still gets its line, with no scores, and makes the
// command fail with the reason.
TEST(VerifyCommand, SamePersonMatchesAndAnotherDoesNot)
{
    const auto salley = identityImages("John_Salley");
    std::vector<std::string> args{"--enroll"};
    for (int i = 0; i < 5; ++i)
        args.push_back(salley[i].string());
    args.insert(args.end(), {"--probe", salley[7].string(), identityImages("John_Savage")[0].string(), dogs});

    const Outcome verify = run(runVerifyCommand, args);
    EXPECT_EQ(verify.status, 1) << verify.err;
    EXPECT_EQ(verify.err, "nerova-vardo verify: no usable face with open eyes in " + dogs + "\n");
    ASSERT_EQ(verify.lines.size(), 3u);
    const auto &same = verify.lines[0], &other = verify.lines[1], &none = verify.lines[2];
    EXPECT_EQ(same["probe"].toString().toStdString(), salley[7].string());
    EXPECT_GT(same["combined"].toDouble(), 0.55);
    EXPECT_TRUE(same["match"].toObject()["balanced"].toBool());
    EXPECT_LT(other["combined"].toDouble(), 0.5);
    EXPECT_FALSE(other["match"].toObject()["relaxed"].toBool());
    EXPECT_TRUE(none["combined"].isNull());
    EXPECT_FALSE(none["match"].toObject()["relaxed"].toBool());
}

TEST(FaceCommands, MalformedArgumentsAreUsageErrorsAndNothingEnrolledIsAnError)
{
    const struct {
        Command command;
        std::vector<std::string> args;
        int status;
        const char *says;
    } cases[] = {
        {runFacesCommand, {}, 2, "usage"},
        {runVerifyCommand, {"--probe", "a.jpg"}, 2, ""},
        {runVerifyCommand, {"--enroll", "a.jpg"}, 2, ""},
        {runVerifyCommand, {"a.jpg", "--enroll", "b.jpg", "--probe", "c.jpg"}, 2, ""},
        {runVerifyCommand, {"--enroll", "a.jpg", "--probe", "b.jpg", "--bogus"}, 2, ""},
        {runVerifyCommand, {"--enroll", dogs, "--probe", identityImages("John_Salley")[0].string()}, 1,
         "nothing enrolled"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Outcome result = run(c.command, c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_TRUE(result.lines.empty());
    }
}
