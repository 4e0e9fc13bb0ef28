// Running console programs from the windows: RunConsoleProcess with a
// TBigView as the output view, the window's events handled during a captured
// run, and failures shown in a message box captioned with the application
// title.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/process/runner.h"

namespace tavirel {

class TBigView;

intptr_t RunConsoleProcess(std::string_view commandLine, std::string_view workDir,
                           TProcessShowMode mode, TBigView* view,
                           TArgumentCoding coding = acAsWritten);

}  // namespace tavirel
