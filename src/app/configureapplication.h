#pragma once

class QApplication;

// The application-wide set-up the program starts with: its name, its
// user-interface font, and its identity to the desktop (the desktop entry's
// name and the window icon). It sets no display name: Qt would append that to
// every window and message box caption on X11 and Wayland ("Information —
// Vantorel"), where each caption is to be the program's own.
void configureApplication(QApplication &application);
