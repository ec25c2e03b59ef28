// Modal message box with one OK button and no owner window. On Linux it writes
// "<caption>: <text>" as one line to standard error and returns at once.
#pragma once

namespace hdmi::platform {

void ShowMessageBox(const char* text, const char* caption);

// Tests count the boxes instead of reading standard error.
int MessageBoxCount();
const char* LastMessageBoxText();

// The platform's half: shows the box (Windows: MessageBoxA) or writes the line (elsewhere).
void PresentMessageBox(const char* text, const char* caption);

}  // namespace hdmi::platform
