#include "replay/replay_runner.h"

#include "engine/service_state_json.h"
#include "engine/vardo_service.h"
#include "platform/image_file.h"
#include "platform/secret_item_labels.h"
#include "recognition/embedding_codec.h"

#include "engine/frame_analysis_factory.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaMethod>
#include <QMetaProperty>


#include <functional>
#include <map>

namespace vardo {

namespace {

constexpr const char *ownerAccount = "owner";

std::string secondsText(double seconds)
{
    return compactJson(QJsonValue(seconds)).toStdString();
}

std::string jsonMember(const char *name, const QJsonValue &value)
{
    return std::string("\"") + name + "\":" + compactJson(value).toStdString();
}

} // namespace

ScenarioReplay::ScenarioReplay(DefaultsStore &settings, LogSink &output, std::string imageFolder)
    : settings_(settings), output_(output), imageFolder_(std::move(imageFolder))
{
}

ScenarioReplay::~ScenarioReplay()
{
    // The service goes first: it holds the platform's services by reference.
    service_.reset();
}

bool ScenarioReplay::run(std::istream &scenario)
{
    std::string text;
    int number = 0;
    while (std::getline(scenario, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (!runLine(text, number))
            return false;
    }
    finish();
    return true;
}

bool ScenarioReplay::runLine(std::string_view text, int number)
{
    ReplayParse parsed = parseReplayLine(text, number);
    if (!parsed.error.empty())
        return fail(number, parsed.error);
    if (!parsed.line)
        return true;
    const ReplayLine &line = *parsed.line;
    if (line.t < lastT_)
        return fail(number, "t goes back from " + secondsText(lastT_) + " to " + secondsText(line.t));
    lastT_ = line.t;
    if (line.isSetUp()) {
        if (service_)
            return fail(number, "set-up lines (defaults, enrolled, start, secrets) must come before every other line");
        setUp(line);
        return true;
    }
    if (!service_)
        buildService(line.t);
    platform_->time.advanceTo(startSeconds_ + line.t);
    return happen(line);
}

void ScenarioReplay::finish()
{
    if (!service_)
        buildService(lastT_);
    platform_->time.runUntilIdle();
}

void ScenarioReplay::setUp(const ReplayLine &line)
{
    switch (line.kind) {
    case ReplayLine::Kind::defaults:
        for (const auto &[key, value] : line.defaults)
            settings_.set(key, value);
        break;
    case ReplayLine::Kind::enrolled: enrolledPerson_ = line.text; break;
    case ReplayLine::Kind::start: startSeconds_ = line.startSeconds; break;
    case ReplayLine::Kind::secrets:
        stateSecrets_.insert(stateSecrets_.end(), line.secrets.begin(), line.secrets.end());
        break;
    default: break;
    }
}

void ScenarioReplay::buildService(double t)
{
    platform_ = std::make_unique<SimulatedPlatform>(startSeconds_);
    const CameraDevice camera{"/dev/video0", "Replay Camera", true};
    platform_->camera.devices = {camera};
    platform_->camera.front = camera;
    auto store = [this](const std::string &service, const std::string &account, const std::string &text) {
        platform_->secrets.add(service, account, secretItemLabel(service, account), Bytes(text.begin(), text.end()));
    };
    for (const auto &[account, text] : stateSecrets_)
        store(VardoService::keychainService, account, text);
    if (enrolledPerson_)
        store(VardoService::keychainKey, ownerAccount, encodeEmbeddings(syntheticEnrolledSet(*enrolledPerson_)).value());
    platform_->secrets.resetCalls();

    platform_->time.advanceTo(startSeconds_ + t);
    service_ = std::make_unique<VardoService>(platform_->services({.defaults = &settings_, .log = &output_}), platform_->modules(&analysis_));
    platform_->time.runUntilIdle();
}

bool ScenarioReplay::happen(const ReplayLine &line)
{
    switch (line.kind) {
    case ReplayLine::Kind::frame: return deliverFrame(line);
    case ReplayLine::Kind::image: return deliverImage(line);
    case ReplayLine::Kind::call: call(line); return true;
    case ReplayLine::Kind::set:
        for (const auto &[name, value] : line.assignments)
            if (!service_->setProperty(name.c_str(), value))
                return fail(line.number, "property \"" + name + "\" did not take the value");
        return true;
    case ReplayLine::Kind::notify: notify(line.text); return true;
    case ReplayLine::Kind::dump: output_.write("STATE " + stateJson()); return true;
    default: return true;
    }
}

// Five camera frames per scenario frame: intake analyses exactly one frame in five, and
// the frame counter only ever moves in these steps of five.
bool ScenarioReplay::deliverFrame(const ReplayLine &line)
{
    analysis_.clear();
    if (!platform_->camera.isRunning()) {
        note(line.number, "the camera is not running: nobody sees this frame");
        return true;
    }
    FaceCountUpdate countUpdate;
    const auto faces = static_cast<qint64>(line.faces.size());
    if (line.rectangleCount && *line.rectangleCount > faces)
        countUpdate = FaceCountUpdate{true, *line.rectangleCount};
    FrameResults results = syntheticFrameResults(line.faces, nextSample_);
    nextSample_ += line.faces.size();
    // The camera shows what the faces look like, for the checks that read pixels.
    platform_->camera.framePixels = results.frame;
    analysis_.expect(std::move(results), countUpdate);
    platform_->camera.deliverFrames(5);
    return true;
}

bool ScenarioReplay::deliverImage(const ReplayLine &line)
{
    if (!imageAnalysis_) {
        imageAnalysis_ = createFrameAnalysis(output_);
        if (!imageAnalysis_)
            return fail(line.number, "no face analysis could be created for \"image\" frames");
        imageAnalysis_->loadEmbeddingModel();
        analysis_.setImageAnalysis(imageAnalysis_.get());
    }
    const QString path = QDir(QString::fromStdString(imageFolder_)).filePath(QString::fromStdString(line.text));
    cv::Mat pixels = readImageFile(path.toStdString());
    if (pixels.empty())
        return fail(line.number, "cannot read the image " + path.toStdString());
    analysis_.clear();
    if (!platform_->camera.isRunning()) {
        note(line.number, "the camera is not running: nobody sees this frame");
        return true;
    }
    analysis_.expectImage();
    platform_->camera.framePixels = pixels;
    platform_->camera.deliverFrames(5);
    return true;
}

void ScenarioReplay::call(const ReplayLine &line)
{
    // The reader has checked the operation and its arguments against the meta-object.
    const QMetaObject &meta = VardoService::staticMetaObject;
    QMetaMethod operation;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        if (meta.method(i).methodType() == QMetaMethod::Method && meta.method(i).name() == line.text.c_str())
            operation = meta.method(i);
    std::vector<QVariant> values;
    for (int i = 0; i < operation.parameterCount(); ++i) {
        QVariant value = line.args.at(i).toVariant();
        value.convert(QMetaType(operation.parameterType(i)));
        values.push_back(std::move(value));
    }
    const auto arg = [&](std::size_t i) {
        return i < values.size() ? QGenericArgument(values[i].typeName(), values[i].constData()) : QGenericArgument();
    };
    operation.invoke(service_.get(), Qt::DirectConnection, arg(0), arg(1), arg(2));
}

void ScenarioReplay::notify(const std::string &name)
{
    if (name == "cameraInterrupted")
        platform_->camera.notify(CameraNotification::interrupted);
    else if (name == "cameraResumed")
        platform_->camera.notify(CameraNotification::interruptionEnded);
    else if (name == "cameraError")
        platform_->camera.notify(CameraNotification::runtimeError);
    else if (name == "sessionActive")
        platform_->sessionMonitor.sessionDidBecomeActive();
    else if (name == "appResignActive")
        service_->appWillResignActive();
    else if (name == "screensChanged")
        service_->screenConfigurationChanged();
}

// The published state as `nerova-vardo state` prints it, with the security events cut
// to type and face count (their ids and dates differ from run to run) and the intruder
// photos to their file names, followed by the
// counters a scenario needs to follow the decision loop.
std::string ScenarioReplay::stateJson() const
{
    const VardoService &s = *service_;
    QJsonObject published = QJsonDocument::fromJson(publishedStateJson(s).toUtf8()).object();
    std::string eventList = "[";
    for (const SecurityEvent &event : s.securityEvents()) {
        if (eventList.size() > 1)
            eventList += ",";
        eventList += "{" + jsonMember("type", QLatin1String(eventTypeRawValue(event.type))) + ","
            + jsonMember("faceCount", event.faceCount) + "}";
    }
    eventList += "]";
    // Photos by file name: their ids and folder differ from run to run.
    const auto photoNames = [](const std::vector<IntruderPhoto> &photos) {
        QJsonArray names;
        for (const IntruderPhoto &photo : photos)
            names.append(QFileInfo(photo.path).fileName());
        return names;
    };

    // QJsonObject forgets the order of the members: restore the declaration order.
    std::vector<std::string> members;
    const QMetaObject &meta = VardoService::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const QString name = QString::fromLatin1(meta.property(i).name());
        if (!published.contains(name))
            continue;
        const QJsonValue value = published.take(name);
        if (name == QLatin1String("securityEvents"))
            members.push_back("\"securityEvents\":" + eventList);
        else if (name == QLatin1String("intruderPhotos"))
            members.push_back(jsonMember("intruderPhotos", photoNames(s.intruderPhotos())));
        else if (name == QLatin1String("intruderHistory"))
            members.push_back(jsonMember("intruderHistory", photoNames(s.intruderHistory())));
        else
            members.push_back(jsonMember(name.toLatin1().constData(), value));
    }
    for (auto it = published.begin(); it != published.end(); ++it)
        members.push_back(jsonMember(it.key().toLatin1().constData(), it.value()));

    const auto noFace = s.noFaceStartTime();
    members.push_back(jsonMember("consecutiveOwnerMatch", s.consecutiveOwnerMatch()));
    members.push_back(jsonMember("consecutiveOwnerMiss", s.consecutiveOwnerMiss()));
    members.push_back(jsonMember("consecutiveMultiFaceCount", s.consecutiveMultiFaceCount()));
    members.push_back(jsonMember("consecutiveCleanFrames", s.consecutiveCleanFrames()));
    members.push_back(jsonMember("intruderFrameCount", s.intruderFrameCount()));
    members.push_back(jsonMember("failedMatchAttempts", s.failedMatchAttempts()));
    members.push_back(jsonMember("noFaceStartTime", noFace ? QJsonValue(*noFace - startSeconds_) : QJsonValue()));
    members.push_back(jsonMember("enrolledCount", static_cast<qint64>(s.ownerFaceEmbeddings().size())));

    std::string json = "{";
    for (std::size_t i = 0; i < members.size(); ++i)
        json += (i ? "," : "") + members[i];
    return json + "}";
}

void ScenarioReplay::note(int line, const std::string &remark)
{
    if (notes_)
        notes_->write(std::to_string(line) + ": " + remark); // "12: what happened"
}

bool ScenarioReplay::fail(int line, std::string reason)
{
    errorLine_ = line;
    error_ = std::move(reason);
    return false;
}

} // namespace vardo
