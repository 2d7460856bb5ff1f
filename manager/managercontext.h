#pragma once

#include <functional>

class NoteStore;
class MessageSink;
class Translator;
class Dialogs;
class Clock;
class DiagnosticLog;
class ProgramFolder;
class NoteViews;
class PropertyCommands;
struct Settings;
struct ProgramState;

// Everything the manager window and its panels work on, handed over once by the program.
struct ManagerContext {
    NoteStore& store;
    Settings& settings;
    ProgramState& state;
    const ProgramFolder& folder;
    MessageSink& messages;
    const Translator& tr;
    Dialogs& dialogs;
    const Clock& clock;
    DiagnosticLog& log;
    NoteViews& views;
    PropertyCommands& commands;
};

// Timers and flags that the program owns; every hook may be left empty.
struct ManagerHooks {
    std::function<void()> startAutoRefresh;
    std::function<void()> stopAutoRefresh;
    std::function<void()> startFocusCheck;
    std::function<void()> stopFocusCheck;
    // True while one of the program's modal boxes is open (tray clicks are then ignored).
    std::function<bool()> messageBoxOpen;
};
