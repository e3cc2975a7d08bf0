#pragma once
// Creates the Qt Widgets toolkit (the application object lives inside it). Call once, on the
// thread that becomes the window thread, before any window is created. The header is free of Qt
// types so the program's main needs nothing else.

#include "shell/toolkit/toolkit.h"

#include <memory>

namespace quasar::ui {

// argc/argv are kept by reference, as the application object requires. The skin folder starts
// as quasar::skinFolder() and skin/style.qss there is applied when present.
std::unique_ptr<Toolkit> createQtToolkit(int& argc, char** argv);

} // namespace quasar::ui
