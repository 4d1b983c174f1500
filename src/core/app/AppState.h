#pragma once

#include "core/store/Connection.h"

#include <QString>
#include <QVector>
#include <functional>

// Process-wide values that screens hand to each other. Plain values on the UI
// thread, as the screens expect; tests reset them with resetAppState().
namespace app {

extern int CurrentPaperNo;          // 1 … 5; 0 before first use (see ensureCurrentPaperNo)
extern int CurrentSubject;          // 1 … 5, set by "lx" … "lx5"
extern QString ScreenSizeTag;       // "800" or "1024"
extern QVector<int> TypeAnswerTimes; // answer time per type, tenths of a second
extern QVector<int> TypeIds;         // the type ids, same order
extern int VolumeLevel;             // 1 … 16
extern bool MusicOn;
extern QString MusicFile;
extern QString FirstQuestionId;
extern bool NoteHasText;
extern bool ConfigTimesOnly;

// The current mock paper; unset (0) or out of range reads as paper 1. Only reads.
int currentPaperNo();
// Writes that reading back: paper 0 becomes paper 1. The start-up and the readers
// whose callers look at CurrentPaperNo afterwards call it first.
void ensureCurrentPaperNo();
// The question-type table of the current mock paper: "tab_tx" + currentPaperNo(). Only reads.
QString currentTypeTable();
// Answer time (tenths of a second) of a type; 600 when the type is not listed.
int answerTimeOfType(int typeId);

void resetAppState();

// Ends the program at once with the exit code (unrecoverable data errors such as
// missing pictures). Tests install a handler instead; an empty one restores the
// default, which leaves the event loop and the process without unwinding.
void endProgram(int code);
void setEndProgramHandler(std::function<void(int)> handler);

} // namespace app
