#pragma once

#include "engine/frame_analysis.h"

#include <memory>

namespace vardo {

class LogSink;

// Face analysis of the recognition module: the face detector and landmark models load
// here; the embedding model loads when the service asks for it at start-up.
std::unique_ptr<FrameAnalysis> createFrameAnalysis(LogSink &log);

} // namespace vardo
