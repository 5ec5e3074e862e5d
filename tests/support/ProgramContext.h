// What the core and its windows are given by the program, for tests: a temporary program
// folder, scripted dialogs, a recording shell, a file system that can be told to fail, and a
// counting busy cursor. The codec libraries are the ones built beside the test programs.
#pragma once

#include "core/AppContext.h"
#include "platform/FileSystem.h"
#include "platform/TestDoubles.h"
#include "support/TempDir.h"

namespace tb::test {

struct ProgramContext {
    TempDir folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    FaultyFileSystem fileSystem;
    CountingCursor cursor;
    AppContext context{dialogs, shell, fileSystem, cursor, folder.path(), executableFolder()};
};

} // namespace tb::test
