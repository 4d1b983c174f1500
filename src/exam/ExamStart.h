#pragma once

class QWidget;

// The menu's way into mock exams: "mnks" … "mnks5" and "cj".
namespace exam {

// Starts mock exam `mock` (1 … 5): numbers, creates and draws the paper and shows
// the exam screen until it closes. A paper whose exam was cut short (the program
// ended during it) is offered first.
void mnks(int mock, QWidget* owner = nullptr);

// The score list, after offering a paper whose exam was cut short.
void openScoreList(QWidget* owner = nullptr);

// Asks whether to go on with a paper whose exam was cut short; true when the
// candidate went on with it (its exam screen has closed again).
bool offerResume(QWidget* owner);

} // namespace exam
