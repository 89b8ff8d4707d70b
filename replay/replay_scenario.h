#pragma once

#include "replay/replay_synthetic_faces.h"
#include "platform/defaults_store.h"

#include <QJsonArray>
#include <QVariant>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vardo {

// One line of a replay scenario: a JSON object with "t" (seconds on the virtual clock)
// and exactly one action. Set-up lines come first and describe the world the service
// starts in; every other line is something that happens at t.
//
//   {"t":0,"defaults":{"vardo_enabled":true,"vardo_lock_timeout":10}}   set-up
//   {"t":0,"enrolled":"alice"}                                         set-up
//   {"t":0,"start":"2026-03-02T09:00:00Z"}                             set-up
//   {"t":0,"secrets":{"failed_attempts":"4"}}                          set-up
//   {"t":1.5,"frame":{"faces":[{"who":"alice"},{"who":"bob","eyes":"closed"}],"rect":3}}
//   {"t":1.6,"frame":{"faces":[{"who":"alice","live":false,"screen":true}]}}  a picture of alice on a phone
//   {"t":2,"image":"faces/alice.jpg"}
//   {"t":3,"call":"pauseStealth","args":[5]}
//   {"t":3,"set":{"lockTimeout":5,"lockMode":"lock_mac"}}
//   {"t":4,"notify":"cameraInterrupted"}
//   {"t":5,"dump":true}
//
// Blank lines and lines starting with "#" are skipped. Image paths are read relative to
// the scenario's folder.
struct ReplayLine {
    enum class Kind { defaults, enrolled, start, secrets, frame, image, call, set, notify, dump };

    int number = 0;
    double t = 0.0;
    Kind kind = Kind::dump;

    // defaults: in file order; a JSON number with a fraction or an exponent is a double.
    std::vector<std::pair<std::string, DefaultsValue>> defaults;
    // enrolled: the person; image: the path as written; call: the operation; notify:
    // the notification.
    std::string text;
    // start: the wall-clock instant of t = 0, seconds since 1970.
    double startSeconds = 0.0;
    // secrets: account and text, in file order.
    std::vector<std::pair<std::string, std::string>> secrets;
    // frame.
    std::vector<SyntheticFace> faces;
    std::optional<qint64> rectangleCount;
    // call: the arguments, already checked against the operation.
    QJsonArray args;
    // set: property names and values converted to the property's type, in file order.
    std::vector<std::pair<std::string, QVariant>> assignments;

    bool isSetUp() const
    {
        return kind == Kind::defaults || kind == Kind::enrolled || kind == Kind::start || kind == Kind::secrets;
    }
};

struct ReplayParse {
    std::optional<ReplayLine> line; // nothing for a blank or comment line, or on error
    std::string error;              // why the line is malformed; empty when it is not
};

// Parses and checks one line on its own (the order of lines is the runner's business).
ReplayParse parseReplayLine(std::string_view text, int number);

// The default wall-clock instant of t = 0: 2026-03-02T09:00:00Z.
inline constexpr double defaultReplayStart = 1772442000.0;

} // namespace vardo
