#pragma once

#include <QString>
#include <QtGlobal>

// A large, realistic encrypted bank for benchmarks: a chapter tree of subjects,
// parts, chapters and sections, an outline of exam points, and questions with
// RTF stems and analyses, some already answered.
namespace bankgen {

struct BankShape {
    int questions = 100000;
    int subjects = 4;
    int partsPerSubject = 10; // 40 parts
    int chapters = 56;        // 4 + 40 + 56 + 400 = 500 chapter rows
    int sections = 400;
    int outlineTops = 30;
    int outlineSectionsPerTop = 10;
    int pointsPerSection = 10; // 3,000 exam points
    double answeredShare = 0.12;
    quint32 seed = 20240506;
};

// What the benchmarks look for in a generated bank.
struct BankFacts {
    int questions = 0;
    int chapterRows = 0;
    int points = 0;
    QString bigChapter;      // 4-character chapter of sections that hold bigChapterQuestions
    int bigChapterQuestions = 0;
};

// The first chapter always gets 8 sections, so with the default shape it holds
// 8 × 250 = 2,000 questions.
BankFacts factsOf(const BankShape& shape);

// Writes a new bank at path (which must not exist) with the bank key.
// progress, when given, is called with a short line now and then.
BankFacts generateBank(const QString& path, const BankShape& shape = {},
                       void (*progress)(const QString&) = nullptr);

} // namespace bankgen
