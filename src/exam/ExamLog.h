#pragma once

#include <QLoggingCategory>

// Failures of the exam screens that the candidate is not shown (or shown in their
// own words): drawing, opening, grading and dropping papers, keeping progress, export.
Q_DECLARE_LOGGING_CATEGORY(lcExam)
