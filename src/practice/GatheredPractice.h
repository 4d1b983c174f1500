#pragma once

#include "core/review/AnswerLog.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace practice {

// Questions gathered from anywhere in the bank, for the practice screen.
struct GatheredSet {
    QStringList ids;   // in the order to practise
    QString caption;   // the window's title, e.g. "错题本"
    QString heading;   // the screen's heading line
    review::Source source = review::Source::ChapterPractice; // where the answer log says they were answered
    bool byType = true; // grouped by question type first, as chapter practice is
};

// Practises the questions on the practice screen, with its bookkeeping, notes,
// analysis and exam points; returns when the screen closes. Tells the candidate
// when none of the ids is left in the bank. False when nothing was shown.
bool practiseQuestions(QWidget* parent, const GatheredSet& set);

} // namespace practice
