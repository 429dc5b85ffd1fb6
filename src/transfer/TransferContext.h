#pragma once

struct AppState;
class DataPane;
class FileListView;
class Log;
class SerialPort;
class frmCancelSend;

// What sending and receiving work with: the program's state, the line and the window's panes.
struct TransferContext {
    AppState &state;
    SerialPort &port;
    Log &log;
    DataPane &data; // its text view is the echo pane
    FileListView &files;
    frmCancelSend &dialog;
};
