// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class FileDialogs;
class MessageBoxes;
class PrintDialogs;
class PrintSurface;
class ProcessLauncher;
class SerialPort;

// What the main window reaches outside the program through: real in the program, scripted in tests.
struct PlatformServices {
    MessageBoxes &messages;
    ProcessLauncher &launcher;
    FileDialogs &fileDialogs;
    SerialPort &port; // MSComm1
    PrintSurface &printer;
    PrintDialogs &printDialogs;
};
