#include "tests/engine/engine_harness.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace vardo::test {
namespace {

// The owner's face at a locked screen, as a camera shows it, one analysed frame every
// sixth of a second; each frame's liveness verdicts land before the next frame.
class LivenessRule : public EngineTest {
protected:
    // Analysed frames until the lock opens (at most `limit`); the count, or 0.
    int framesUntilUnlocked(const SyntheticFace &face, int limit)
    {
        for (int frame = 1; frame <= limit; ++frame) {
            show(faces({face}));
            advance(1.0 / 6.0);
            if (!service->isLocked())
                return frame;
        }
        return 0;
    }
};

TEST_F(LivenessRule, APictureOfTheOwnerNeverOpensTheLockTheOwnerDoesWithinASecond)
{
    struct Case {
        const char *what;
        SyntheticFace face;
        bool opens;
    };
    const Case cases[] = {
        {"the owner", {.who = "owner"}, true},
        {"a smooth picture of the owner", {.who = "owner", .live = false}, false},
        {"the owner's face inside a phone's frame", {.who = "owner", .screen = true}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        VardoService &s = locked();
        // Two minutes of frames: the first verdicts and the 20 s window long past.
        const int frames = framesUntilUnlocked(c.face, 720);
        if (!c.opens) {
            EXPECT_EQ(frames, 0);
            EXPECT_FALSE(s.ownerRecognized());
            continue;
        }
        // Three frames for the texture, three matching ones: the sixth frame opens it,
        // half a second after the first (no unlock delay).
        EXPECT_EQ(frames, 6);
        EXPECT_FALSE(s.textureCheckPassed()); // unlocking drops the last lock's verdicts
    }
    // Outside the lock a picture is recognised as before.
    startProtected();
    show(faces({{.who = "owner", .live = false, .screen = true}}), 3);
    EXPECT_TRUE(service->ownerRecognized());
}

// With a depth model the face must also be confirmed three-dimensional. The stand-in
// models come from python3-onnx; the real loading and inference path runs.
TEST_F(LivenessRule, WithADepthModelOnlyARealVerdictOpensTheLock)
{
    const auto folder = std::filesystem::temp_directory_path() / ("vardo-engine-depth-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const auto &[kind, opens] : {std::pair{"real", true}, std::pair{"flat", false}}) {
        SCOPED_TRACE(kind);
        const auto file = folder / "depth_anything_v2_small.onnx";
        const std::string command = std::string("/usr/bin/python3 ") + VARDO_SOURCE_DIR
            + "/tests/liveness/make_depth_model.py " + file.string() + " " + kind;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        setenv("NEROVA_VARDO_MODEL_DIR", folder.c_str(), 1);
        VardoService &s = locked();
        unsetenv("NEROVA_VARDO_MODEL_DIR");
        ASSERT_TRUE(logged("[Depth] Model loaded successfully"));
        const int frames = framesUntilUnlocked({.who = "owner"}, 240);
        EXPECT_EQ(frames != 0, opens);
        bool verdictLogged = false;
        for (const auto &line : platform.log.lines())
            verdictLogged |= line.rfind(std::string("[Depth] ") + (opens ? "REAL — CV:" : "FLAT — CV:"), 0) == 0;
        EXPECT_TRUE(verdictLogged);
        platform.log.clear();
    }
    std::filesystem::remove_all(folder);
    // Without the file the service says why and never checks depth.
    setenv("NEROVA_VARDO_MODEL_DIR", folder.c_str(), 1);
    VardoService &s = locked();
    unsetenv("NEROVA_VARDO_MODEL_DIR");
    EXPECT_FALSE(s.hasDepthModel());
    EXPECT_TRUE(logged("[Depth] Model load failed: no depth_anything_v2_small.onnx in the models folders"));
    EXPECT_EQ(framesUntilUnlocked({.who = "owner"}, 12), 6);
}

} // namespace
} // namespace vardo::test
