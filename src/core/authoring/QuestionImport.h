#pragma once

#include "core/exchange/Question.h"
#include "core/store/Connection.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Questions read from a file saved into a chapter through question entry's save,
// and a chapter's questions as the file writers take them.
namespace authoring {

struct ImportResult {
    bool refused = false;   // true: nothing was written, `error` says why
    QString error;
    int saved = 0;          // questions written (or, for a dry run, that would be)
    int skipped = 0;        // questions left out for a problem (only when valid ones were asked for)
    QStringList ids;        // the new ids, in file order (empty for a dry run)
    std::vector<exchange::Problem> problems; // the reader's and the bank's, by question
    std::vector<exchange::Problem> notes;    // points not in the outline, and the reader's notes
};

struct ImportRequest {
    QString chapter;
    // The preview's "all valid ones": questions with a problem are left out. Otherwise
    // one problem refuses the file.
    bool validOnly = false;
    // Everything checked, nothing written.
    bool dryRun = false;
};

// Called after each saved question; done counts up to total.
using ImportProgress = std::function<void(int done, int total)>;

// Saves the read questions as new questions of the chapter, each as question entry saves
// it (ids, counters, the search index), all in one transaction: a failure writes nothing
// and throws store::DbError. A file that cannot be read, a problem (unless validOnly),
// a chapter not in the bank, a kind the bank has no type for, or more questions than
// running numbers left refuse the file before anything is written.
ImportResult importQuestions(store::Connection& db, const exchange::ReadResult& read, const ImportRequest& request,
                             const ImportProgress& progress = {});

// The chapter's questions (its sections' too) in id order, as the writers take them:
// the stored stem split into stem and options, kinds by the bank's types, points by id.
// The stored rich text goes out as HTML; RTF goes out as its text.
std::vector<exchange::Question> chapterQuestions(store::Connection& db, const QString& chapter);
// The questions of the ids, in the order given, read as chapterQuestions reads them; ids
// not in the bank (and a repeated id after its first place) are left out.
std::vector<exchange::Question> questionsByIds(store::Connection& db, const QStringList& ids);
// The candidate's own questions of the chapter and its sections (those entered or imported), by id.
QStringList ownQuestionIds(store::Connection& db, const QString& chapter);

} // namespace authoring
