#pragma once

#include "core/exchange/Question.h"

#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace exchange::test {

inline QByteArray fixture(const char* name)
{
    QFile f(QStringLiteral(TESVORA_SOURCE_DIR "/tests/exchange/data/") + QString::fromUtf8(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

// What a question reads as, in one line a failing test can show.
inline std::string describe(const Question& q)
{
    return (kindName(q.kind) + QStringLiteral(" | ") + htmlToPlain(q.stem) + QStringLiteral(" | ") + q.options.join(u'/')
            + QStringLiteral(" | ") + q.answer)
        .toStdString();
}

inline std::string problems(const ReadResult& r)
{
    std::string out;
    for (const Problem& p : r.problems)
        out += p.text().toStdString() + "\n";
    return out;
}

} // namespace exchange::test
