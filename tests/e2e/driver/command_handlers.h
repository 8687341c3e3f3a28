#pragma once
// The command handlers, by file. Each takes the words after the command name and returns true on
// success; on failure it has printed why.
#include "tests/e2e/driver/commands.h"

namespace guidriver {

// actions.cpp
bool Click(const Words& words);
bool PostClick(const Words& words);
bool Type(const Words& words);
bool Close(const Words& words);
bool Answer(const Words& words);
bool PressKey(const Words& words);

// expectations.cpp
bool ExpectCheck(const Words& words);
bool ExpectText(const Words& words);
bool ExpectContains(const Words& words);
bool ExpectEnabled(const Words& words);
bool ExpectVisible(const Words& words);
bool ExpectCaption(const Words& words);
bool ExpectGrid(const Words& words);
bool ExpectProgress(const Words& words);
bool ExpectOwner(const Words& words);
bool ExpectNoMessage(const Words& words);

// waits.cpp
bool WaitPage(const Words& words);
bool WaitText(const Words& words);
bool WaitWindow(const Words& words);
bool WaitMessage(const Words& words);
bool WaitExit(const Words& words);
bool Rect(const Words& words);

// processes.cpp
bool Start(const Words& words);
bool Pause(const Words& words);
bool Idle(const Words& words);
bool Hold(const Words& words);

// races.cpp
bool Race(const Words& words);
bool Rename(const Words& words);
bool SwapStart(const Words& words);

}  // namespace guidriver
