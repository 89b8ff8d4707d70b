#pragma once

namespace vardo {

// SIGINT and SIGTERM end the event loop cleanly, so that quitting saves what it saves.
void quitOnTerminationSignals();

} // namespace vardo
