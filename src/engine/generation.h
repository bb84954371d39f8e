#pragma once

// Hooks of report generation that a host fills in.

#include <functional>

// Called once per record (and before the header) while a report runs, so
// that a GUI run keeps its preview and Cancel button responsive. Headless
// runs leave it empty.
std::function<void()> &QRProcessMessagesHook();
