#pragma once

class NoteStore;
struct Settings;
struct ProgramState;
class MessageSink;
class Translator;
class Dialogs;
class Clock;
class Sound;

// What the alarm panel works with; the program owns all of it.
struct AlarmPanelContext {
    NoteStore& store;
    Settings& settings;
    ProgramState& state;
    MessageSink& messages;
    const Translator& tr;
    Dialogs& dialogs;
    const Clock& clock;
    Sound& sound;
};
