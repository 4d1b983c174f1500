// Files of questions saved into a chapter through question entry's save: all or none,
// counters as for entered questions, and a chapter's questions out and back in.
#include "core/authoring/QuestionImport.h"

#include "authoring/AuthoringFixture.h"
#include "core/authoring/AuthoringRules.h"
#include "core/exchange/Exchange.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

using namespace authoring;
using authoringtest::AuthoringBank;

namespace {

exchange::ReadResult gift(const QString& text)
{
    return exchange::readQuestions(exchange::Format::Gift, text.toUtf8());
}

// Three kinds, points named by id, by title and one the outline lacks.
const char kThree[] = "// 第一章\n"
                      "::栈::后进先出的结构是{=栈 ~队列 ~数组}\n\n"
                      "死锁可以避免{T}\n\n"
                      "论述进程与线程的区别{}\n";

ImportRequest into(const QString& chapter, bool validOnly = false, bool dryRun = false)
{
    ImportRequest r;
    r.chapter = chapter;
    r.validOnly = validOnly;
    r.dryRun = dryRun;
    return r;
}

// The bank's rows and its files' bytes, for "nothing written".
struct Untouched {
    AuthoringBank& bank;
    QString rows = bank.fullSnapshot();
    QByteArray file = fileDigest(bank.path);
    QByteArray wal = fileDigest(bank.path + QStringLiteral("-wal"));
    void check() const
    {
        EXPECT_EQ(bank.fullSnapshot(), rows);
        EXPECT_EQ(fileDigest(bank.path), file);
        EXPECT_EQ(fileDigest(bank.path + QStringLiteral("-wal")), wal);
    }
};

} // namespace

TEST(QuestionImport, SavesAsQuestionEntryDoes)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    exchange::ReadResult read = gift(QString::fromUtf8(kThree));
    ASSERT_TRUE(read.fileOk) << read.summary().toStdString();
    ASSERT_EQ(read.questions.size(), 3u);
    read.questions[0].points = {QStringLiteral("010101001"), QStringLiteral("栈2"), QStringLiteral("没有的考点")};

    int calls = 0;
    const ImportResult r = importQuestions(bank.db(), read, into(QStringLiteral("010101")), [&](int done, int total) {
        EXPECT_EQ(done, ++calls);
        EXPECT_EQ(total, 3);
    });
    ASSERT_FALSE(r.refused) << r.error.toStdString();
    EXPECT_EQ(r.saved, 3);
    EXPECT_EQ(calls, 3);
    // The candidate's own ids, numbered on: types by kind, option counts as entry writes them.
    EXPECT_EQ(r.ids, (QStringList{QStringLiteral("US010101113" "00001"), QStringLiteral("US010101122" "00002"),
                                  QStringLiteral("US010101641" "00003")}));
    EXPECT_EQ(bank.value("select A2 from tab_answ where A1=:a", {{":a", r.ids[0]}}).toString(), QStringLiteral("A"));
    EXPECT_EQ(bank.value("select A2 from tab_answ where A1=:a", {{":a", r.ids[1]}}).toString(), QStringLiteral("A"));
    EXPECT_EQ(bank.value("select A2 from tab_answ where A1=:a", {{":a", r.ids[2]}}).toString(), kSubjectiveAnswer);
    const QString stem = QString::fromUtf8(bank.value("select A15 from tab_exer where A1=:a", {{":a", r.ids[0]}}).toByteArray());
    EXPECT_TRUE(stem.contains(QStringLiteral("<p>A. 栈</p><p>B. 队列</p><p>C. 数组</p>"))) << stem.toStdString();
    // Points that exist link (by id or title); the unknown one is a note.
    EXPECT_EQ(bank.value("select K3 from tab_answ where A1=:a", {{":a", r.ids[0]}}).toString(), QStringLiteral("010101001"));
    EXPECT_EQ(bank.value("select K4 from tab_answ where A1=:a", {{":a", r.ids[0]}}).toString(), QStringLiteral("010101002"));
    EXPECT_TRUE(bank.value("select K5 from tab_answ where A1=:a", {{":a", r.ids[0]}}).isNull());
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_TRUE(r.notes[0].message.contains(QStringLiteral("没有的考点")));
    // Counters move by the question count, as three entered questions move them.
    for (const char* c1 : {"010101", "0101", "01", "0"})
        EXPECT_EQ(bank.chapterC3(QString::fromLatin1(c1)), 3) << c1;
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101001")), 1);
    EXPECT_EQ(bank.ruleQ(QStringLiteral("010101002")), 1);
    EXPECT_EQ(bank.nodeQ(QStringLiteral("010101")), 1);
    // The next entered question follows the imported ones.
    EXPECT_EQ(largestRunningNumber(bank.db()), 3);
}

TEST(QuestionImport, ARefusedFileWritesNothing)
{
    practicetest::ClockScope clock;
    const QString oneBad = QStringLiteral("好的题{=甲 ~乙}\n\n坏的题{~甲 ~乙}\n");
    const struct {
        const char* name;
        exchange::ReadResult read;
        QString chapter;
        const char* error;
    } cases[] = {
        {"unclosed brace", gift(QStringLiteral("题干{=甲 ~乙\n")), QStringLiteral("010101"), ""},
        {"a question with a problem", gift(oneBad), QStringLiteral("010101"), "1 道试题有问题"},
        {"empty file", gift(QString()), QStringLiteral("010101"), ""},
        {"no such chapter", gift(QString::fromUtf8(kThree)), QStringLiteral("999999"), "没有章节 999999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AuthoringBank bank;
        const Untouched before{bank};
        const ImportResult r = importQuestions(bank.db(), c.read, into(c.chapter));
        EXPECT_TRUE(r.refused);
        EXPECT_FALSE(r.error.isEmpty());
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.error))) << r.error.toStdString();
        EXPECT_EQ(r.saved, 0);
        before.check();
    }
}

TEST(QuestionImport, ValidOnesWhenAskedAndDryRunWritesNothing)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    const exchange::ReadResult read = gift(QStringLiteral("好的题{=甲 ~乙}\n\n坏的题{~甲 ~乙}\n\n又一题{F}\n"));
    ASSERT_EQ(read.problems.size(), 1u);
    {
        const Untouched before{bank};
        const ImportResult dry = importQuestions(bank.db(), read, into(QStringLiteral("010101"), true, true));
        EXPECT_FALSE(dry.refused);
        EXPECT_EQ(dry.saved, 2);
        EXPECT_TRUE(dry.ids.isEmpty());
        before.check();
    }
    const ImportResult r = importQuestions(bank.db(), read, into(QStringLiteral("010101"), true));
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(r.saved, 2);
    EXPECT_EQ(r.skipped, 1);
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].number, 2);
    EXPECT_EQ(bank.chapterC3(QStringLiteral("010101")), 2);
}

TEST(QuestionImport, RunningNumbersRunOutBeforeAnythingIsWritten)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    practicetest::QuestionRow own;
    own.id = QStringLiteral("US010101114") + runningNumberText(kMaxRunningNumber - 2);
    own.f1 = 2;
    bank.add(own);
    const Untouched before{bank};
    const ImportResult r = importQuestions(bank.db(), gift(QString::fromUtf8(kThree)), into(QStringLiteral("010101")));
    EXPECT_TRUE(r.refused);
    EXPECT_TRUE(r.error.contains(QStringLiteral("最多只能录入9999道题！"))) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains(QStringLiteral("还能录入 2 道"))) << r.error.toStdString();
    before.check();
}

TEST(QuestionImport, AFailureHalfwayLeavesNoQuestionOfTheFile)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    bank.db().exec(QStringLiteral("create trigger break_third before insert on tab_exer when new.A15 like '%论述%'"
                                  " begin select raise(abort, 'disk says no'); end"));
    const QString rows = bank.fullSnapshot();
    EXPECT_THROW(importQuestions(bank.db(), gift(QString::fromUtf8(kThree)), into(QStringLiteral("010101"))), store::DbError);
    EXPECT_EQ(bank.fullSnapshot(), rows);
    EXPECT_EQ(largestRunningNumber(bank.db()), 0);
}

// Every format through the bank: a chapter of the demo bank out, into another chapter, and out again.
TEST(QuestionImport, RoundTripThroughTheBankPerFormat)
{
    practicetest::ClockScope clock;
    TempDir dir;
    const QString path = dir.file(QStringLiteral("demo.db"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), path));
    auto db = store::Connection::open(path, store::bankKey(), store::Connection::Mode::ReadWrite);
    const std::vector<exchange::Question> original = chapterQuestions(*db, QStringLiteral("010302"));
    ASSERT_GE(original.size(), 9u);
    std::set<exchange::Kind> kinds;
    for (const auto& q : original)
        kinds.insert(q.kind);
    ASSERT_GE(kinds.size(), 5u); // single, multiple, judgement, fill, subjective

    const auto same = [](const QString& a, const QString& b) {
        return exchange::htmlToPlain(a).simplified() == exchange::htmlToPlain(b).simplified();
    };
    for (exchange::Format format :
         {exchange::Format::Csv, exchange::Format::Xlsx, exchange::Format::Gift, exchange::Format::Aiken, exchange::Format::MoodleXml}) {
        SCOPED_TRACE(exchange::formatName(format).toStdString());
        const exchange::WriteResult written = exchange::writeQuestions(format, original);
        const exchange::ReadResult read = exchange::readQuestions(format, written.data);
        ASSERT_TRUE(read.fileOk) << read.summary().toStdString();
        for (const auto& p : read.problems)
            ADD_FAILURE() << p.text().toStdString();
        const ImportResult r = importQuestions(*db, read, into(QStringLiteral("010401")));
        ASSERT_FALSE(r.refused) << r.error.toStdString();
        EXPECT_EQ(size_t(r.saved), original.size() - written.left.size());

        // In file order: the ids sort by type before their running number.
        std::vector<exchange::Question> back(size_t(r.ids.size()));
        for (auto& q : chapterQuestions(*db, QStringLiteral("010401"))) {
            if (const qsizetype at = r.ids.indexOf(q.title); at >= 0)
                back[size_t(at)] = q;
        }
        ASSERT_EQ(back.size(), size_t(r.saved));
        size_t b = 0;
        for (const exchange::Question& o : original) {
            if (format == exchange::Format::Aiken && o.kind != exchange::Kind::Single)
                continue; // Aiken carries single choice only, and lists the others as left out
            SCOPED_TRACE(o.title.toStdString());
            ASSERT_LT(b, back.size());
            const exchange::Question& q = back[b++];
            EXPECT_EQ(q.kind, o.kind);
            EXPECT_TRUE(same(q.stem, o.stem)) << q.stem.toStdString() << " | " << o.stem.toStdString();
            EXPECT_EQ(q.options, o.options);
            EXPECT_EQ(q.answer, o.answer);
            if (format != exchange::Format::Aiken) // no analysis in Aiken
                EXPECT_TRUE(same(q.analysis, o.analysis)) << q.analysis.toStdString() << " | " << o.analysis.toStdString();
        }
    }
}

// The demo bank's stems are RTF with bold, underlined words, tables and a picture:
// formats that carry HTML take them out and bring them back in.
TEST(QuestionImport, FormattingAndPicturesSurviveTheFormatsThatCarryThem)
{
    practicetest::ClockScope clock;
    TempDir dir;
    const QString path = dir.file(QStringLiteral("demo.db"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESVORA_DEMO_BANK), path));
    auto db = store::Connection::open(path, store::bankKey(), store::Connection::Mode::ReadWrite);
    const std::vector<exchange::Question> original = chapterQuestions(*db, QStringLiteral("05"));
    const auto marks = [](const std::vector<exchange::Question>& qs) {
        std::map<QString, int> n;
        for (const auto& q : qs)
            for (const char* tag : {"<b>", "<u>", "<table", "<img src=\"data:image/"})
                n[QString::fromLatin1(tag)] += int((q.stem + q.analysis).count(QLatin1String(tag)));
        return n;
    };
    const std::map<QString, int> before = marks(original);
    ASSERT_GT(before.at("<b>"), 0);
    ASSERT_GT(before.at("<table"), 0);
    ASSERT_GT(before.at("<img src=\"data:image/"), 0);
    for (exchange::Format format : {exchange::Format::MoodleXml, exchange::Format::Gift}) {
        SCOPED_TRACE(exchange::formatName(format).toStdString());
        const exchange::ReadResult read = exchange::readQuestions(format, exchange::writeQuestions(format, original).data);
        const ImportResult r = importQuestions(*db, read, into(format == exchange::Format::Gift ? QStringLiteral("010401") : QStringLiteral("010402")));
        ASSERT_FALSE(r.refused) << r.error.toStdString();
        std::vector<exchange::Question> back;
        for (auto& q : chapterQuestions(*db, format == exchange::Format::Gift ? QStringLiteral("010401") : QStringLiteral("010402")))
            if (r.ids.contains(q.title))
                back.push_back(q);
        EXPECT_EQ(marks(back), before);
    }
}

// Prints the time; the bound is generous, as a busy machine makes times jump.
TEST(QuestionImport, TenThousandQuestions)
{
    practicetest::ClockScope clock;
    AuthoringBank bank;
    QString text;
    for (int i = 1; i <= 10000; ++i)
        text += QStringLiteral("第%1题：下列哪个是栈的操作{=入栈 ~排队 ~查找 ~排序}\n\n").arg(i);
    QElapsedTimer timer;
    timer.start();
    const exchange::ReadResult read = gift(text);
    const qint64 readMs = timer.elapsed();
    ASSERT_EQ(read.questions.size(), 10000u);
    const ImportResult r = importQuestions(bank.db(), read, into(QStringLiteral("010101"), false, false));
    const qint64 totalMs = timer.elapsed();
    // 9,999 running numbers: the file is one too many.
    EXPECT_TRUE(r.refused);
    std::printf("[ time ] reading 10000 GIFT questions: %lld ms\n", static_cast<long long>(readMs));

    exchange::ReadResult fits = read;
    fits.questions.pop_back();
    timer.restart();
    const ImportResult saved = importQuestions(bank.db(), fits, into(QStringLiteral("010101")));
    const qint64 saveMs = timer.elapsed();
    ASSERT_FALSE(saved.refused) << saved.error.toStdString();
    EXPECT_EQ(saved.saved, 9999);
    EXPECT_EQ(bank.chapterC3(QStringLiteral("010101")), 9999);
    std::printf("[ time ] importing 9999 questions: %lld ms (refusing 10000: %lld ms)\n", static_cast<long long>(saveMs),
                static_cast<long long>(totalMs - readMs));
    EXPECT_LT(saveMs, 10000); // about 0.3 s when measured
}
