// Feeds arbitrary bytes to one of the question-file readers (the format is chosen
// when the target is built: EXCHANGE_FORMAT is an exchange::Format), then writes what
// was read in the same format and reads that again: every question read must come
// back. A crash, a sanitizer report, a hang or a lost question is a finding.
// Targets gift_fuzz, aiken_fuzz, moodlexml_fuzz, csv_fuzz and xlsx_fuzz run as README.md shows
// for the others, each with its seeds: corpus/<format>/ and the unit tests' fixture
// (tests/exchange/data/), e.g.
//   build-fuzz/fuzz/gift_fuzz -max_total_time=900 -max_len=8192 -timeout=10 /tmp/gift-corpus
//       tests/fuzz/corpus/gift tests/exchange/data/gift_docs.txt

#include "core/exchange/Exchange.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace exchange;
    const auto format = static_cast<Format>(EXCHANGE_FORMAT);
    const ReadResult first = readQuestions(format, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (first.questions.empty())
        return 0;
    const WriteResult written = writeQuestions(format, first.questions);
    const ReadResult again = readQuestions(format, written.data);
    if (again.questions.size() + written.left.size() != first.questions.size()) {
        std::fprintf(stderr, "%zu questions read, %zu after writing them (%zu left out)\n", first.questions.size(),
                     again.questions.size(), written.left.size());
        for (const Problem& p : again.problems)
            std::fprintf(stderr, "  %s\n", qPrintable(p.text()));
        std::abort();
    }
    return 0;
}
