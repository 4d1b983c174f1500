#include "core/question/AnswerRules.h"

#include "core/review/AnswerLog.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"

#include <QRegularExpression>

#include <algorithm>
#include <utility>
#include <vector>

namespace practice {

namespace {

const QString kE1 = QStringLiteral("E1");
const QString kE2 = QStringLiteral("E2");
const QString kE2_1 = QStringLiteral("E2_1");
const QString kE3 = QStringLiteral("E3");
const QString kE4 = QStringLiteral("E4");

QString letters(const std::array<bool, kOptionCount>& pressed, int visible)
{
    QString out;
    for (int i = 0; i < visible; ++i)
        if (pressed[size_t(i)])
            out += optionLetter(i);
    return out;
}

void pressLetters(std::array<bool, kOptionCount>& pressed, int visible, const QString& answer, bool exact)
{
    for (int i = 0; i < kOptionCount; ++i) {
        const QString letter = optionLetter(i);
        pressed[size_t(i)] = i < visible && (exact ? answer == letter : answer.contains(letter));
    }
}

QString judgementText(Judgement j)
{
    switch (j) {
    case Judgement::True: return QStringLiteral("对");
    case Judgement::False: return QStringLiteral("错");
    case Judgement::None: break;
    }
    return {};
}

} // namespace

QString optionLetter(int i)
{
    return QString(QChar(u'A' + i));
}

int visibleOptions(const QVariant& a2_1)
{
    return std::clamp(a2_1.toInt(), 0, kOptionCount);
}

QString ReadAnswerText(const PageState& s)
{
    const int visible = std::clamp(s.optionCount, 0, kOptionCount);
    switch (s.page) {
    case SinglePage:
        for (int i = 0; i < visible; ++i)
            if (s.single[size_t(i)])
                return optionLetter(i);
        return {};
    case MultiPage: return letters(s.multi, visible);
    case MatchPage: return letters(s.match, visible);
    case FillPage: return normaliseFillAnswer(s.fill);
    case JudgePage:
        if (s.judgement == Judgement::True)
            return QStringLiteral("A");
        if (s.judgement == Judgement::False)
            return QStringLiteral("B");
        return {};
    case SubjectivePage: return s.subjective == 0 || s.subjective == 1 ? QString::number(s.subjective) : QString();
    default: return {};
    }
}

QString normaliseFillAnswer(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\uFF0C' || u == u'\u3001' || u == u'\uFF1B') // ， 、 ；
            out += QLatin1Char(',');
        else if (u == u'\u3000')
            out += QLatin1Char(' ');
        else if (u >= 0xFF01 && u <= 0xFF5E) // full-width forms of ! … ~
            out += QChar(char16_t(u - 0xFF01 + 0x21));
        else
            out += c;
    }
    static const QRegularExpression blanksAroundComma(QStringLiteral("\\s*,\\s*"));
    out.replace(blanksAroundComma, QStringLiteral(","));
    return out.trimmed();
}

void putAnswer(PageState& s, const QString& answer)
{
    const int visible = std::clamp(s.optionCount, 0, kOptionCount);
    switch (s.page) {
    case SinglePage: pressLetters(s.single, visible, answer, true); break;
    case MultiPage: pressLetters(s.multi, visible, answer, false); break;
    case MatchPage: pressLetters(s.match, visible, answer, false); break;
    case FillPage: s.fill = answer; break;
    case JudgePage:
        s.judgement = answer == QLatin1String("A") ? Judgement::True
                      : answer == QLatin1String("B") ? Judgement::False
                                                     : Judgement::None;
        break;
    case SubjectivePage:
        s.subjective = answer == QLatin1String("0") ? 0 : answer == QLatin1String("1") ? 1 : -1;
        break;
    default: break;
    }
}

std::array<QString, kOptionCount> optionTextsOfStem(const QString& plainText)
{
    static const QRegularExpression line(QStringLiteral("^\\s*([A-F])\\s*[.、:](.*)$"));
    std::array<QString, kOptionCount> texts;
    for (const QString& raw : plainText.split(QRegularExpression(QStringLiteral("[\\n\\r\\x{2029}\\x{2028}]")))) {
        // Full-width letters and stops read as plain ones.
        const QRegularExpressionMatch m = line.match(raw.normalized(QString::NormalizationForm_KC));
        if (!m.hasMatch())
            continue;
        QString& text = texts[size_t(m.captured(1).at(0).unicode() - u'A')];
        if (text.isEmpty())
            text = m.captured(2).trimmed();
    }
    return texts;
}

QString pageHint(int page)
{
    switch (page) {
    case SinglePage: return QStringLiteral("选择一个选项作为正确答案");
    case MultiPage: return QStringLiteral("选择两个或者多个选项作为正确答案");
    case FillPage: return QStringLiteral("填写正确答案，答案间用“,”隔开");
    case JudgePage: return QStringLiteral("根据判断选择“正确”或者“错误”");
    case SubjectivePage: return QStringLiteral("根据自己实际情况选择“会”或者“不会”");
    case MatchPage: return QStringLiteral("选择若干个选项作为正确答案");
    default: return {};
    }
}

QString pageCaption(int page)
{
    static const char16_t* const captions[kPageCount] = {u"单选", u"多选", u"填空", u"判断", u"主观", u"配伍"};
    return page >= 0 && page < kPageCount ? QString::fromUtf16(captions[page]) : QString();
}

namespace {
constexpr int kReviewOnlyTypes[] = {22, 72, 73, 74};
} // namespace

bool answerHiddenForType(int type)
{
    return std::find(std::begin(kReviewOnlyTypes), std::end(kReviewOnlyTypes), type) != std::end(kReviewOnlyTypes);
}

int AnswerPageOfType(int type, const QString& typeName)
{
    if (type == 11)
        return SinglePage;
    if (type == 14)
        return MultiPage;
    if (answerHiddenForType(type))
        return SubjectivePage;
    const QString name = typeNameKey(typeName);
    if (name.contains(QStringLiteral("判断")))
        return JudgePage;
    if (name.contains(QStringLiteral("填空")))
        return FillPage;
    if (isSubjectiveTypeName(name))
        return SubjectivePage;
    if (name.contains(QStringLiteral("配伍")) || name.contains(QStringLiteral("不定项")))
        return MatchPage;
    return NoPage;
}

bool isSubjectiveTypeName(const QString& typeName)
{
    static const QStringList subjective = {
        QStringLiteral("简答"), QStringLiteral("主观"), QStringLiteral("论述"), QStringLiteral("案例分析"),
        QStringLiteral("名词解释"), QStringLiteral("查找错误"), QStringLiteral("综合"), QStringLiteral("计算")};
    return subjective.contains(typeNameKey(typeName));
}

QString typeNameKey(const QString& typeName)
{
    // Banks write the names by hand: "案例分析题", "判断 题", "填空（一）" in full-width forms.
    QString key = typeName.normalized(QString::NormalizationForm_KC);
    key.removeIf([](QChar c) { return c.isSpace(); });
    while (key.endsWith(QStringLiteral("题")))
        key.chop(1);
    return key;
}

int answerPageOfType(store::Connection& db, const QString& typeTable, int type)
{
    // A table name cannot be bound: only the question-type tables get here.
    static const QRegularExpression typeTables(QStringLiteral("^tab_tx[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    QString name;
    if (typeTables.match(typeTable).hasMatch() && db.hasTable(typeTable))
        name = db.scalar(QStringLiteral("select B1 from %1 where A1=:a1").arg(typeTable), {{QStringLiteral(":a1"), type}}).toString();
    return AnswerPageOfType(type, name);
}

int nextWrongWeight(bool answeredBefore, int weight, bool right)
{
    if (!answeredBefore)
        return right ? 0 : -3;
    if (!right)
        return weight - 1;
    return weight < 0 ? weight + 1 : weight;
}

AnswerFlags answerFlags(const QString& answer, const QString& key, const QDate& lastAnswered,
                        const QString& lastAnswer, const QDate& today)
{
    AnswerFlags f;
    f.firstToday = lastAnswered.isValid() && lastAnswered == today ? 1 : 2;
    f.result = isRightAnswer(answer, key) ? 1 : 2;
    f.previous = isRightAnswer(lastAnswer, key) ? 1 : 2;
    f.firstEver = lastAnswer.isEmpty() ? 2 : 1;
    return f;
}

QStringList pointIdsOf(const store::Dataset& row)
{
    QStringList ids;
    for (int k = 3; k <= 12; ++k) {
        const QString id = row.text(QStringLiteral("K%1").arg(k)).trimmed();
        if (id.isEmpty())
            break;
        ids << id;
    }
    return ids;
}

bool isRightAnswer(const QString& answer, const QString& key)
{
    if (answer == key)
        return true;
    // Choice, true/false and self-assessed answers are upper-case letters or digits
    // the program writes itself, so only a fill-in can differ by case or form.
    const QString a = normaliseFillAnswer(answer);
    const QString k = normaliseFillAnswer(key);
    if (a.size() != k.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode(), y = k[i].unicode();
        if (x != y && !(x < 128 && y < 128 && QChar::toLower(x) == QChar::toLower(y)))
            return false;
    }
    return true;
}

PanelTexts answerPanelTexts(const PageState& s, const QString& key)
{
    PanelTexts t;
    switch (s.page) {
    case JudgePage:
        t.yours = judgementText(s.judgement);
        t.correct = key == QLatin1String("A") ? QStringLiteral("对") : key == QLatin1String("B") ? QStringLiteral("错") : key;
        break;
    case SubjectivePage:
        t.yours = s.subjective == 1 ? QStringLiteral("会") : s.subjective == 0 ? QStringLiteral("不会") : QString();
        t.correct = key == QLatin1String("1") ? QStringLiteral("会") : key == QLatin1String("0") ? QStringLiteral("不会") : key;
        break;
    default:
        t.yours = ReadAnswerText(s);
        t.correct = key;
        break;
    }
    t.headline = t.yours == t.correct || (s.page == FillPage && isRightAnswer(t.yours, key)) ? QStringLiteral("恭喜你，做对了！") : QStringLiteral("很遗憾，做错了，请继续努力！");
    return t;
}

bool hasNote(const QVariant& note)
{
    return !note.toString().trimmed().isEmpty();
}

QString noteCaption(const QVariant& note)
{
    return hasNote(note) ? QStringLiteral("有内容") : QStringLiteral("笔记");
}

ControlStates controlStates(const store::Dataset& row, bool hasAnalysis)
{
    ControlStates c;
    const bool answered = !row.text(kE2_1).isEmpty();
    c.answerEnabled = answered && !answerHiddenForType(int(row.integer(QStringLiteral("A13"))));
    c.analysisEnabled = answered && hasAnalysis;
    c.pointsEnabled = answered && !row.text(QStringLiteral("K3")).trimmed().isEmpty();
    c.noteCaption = noteCaption(row.value(QStringLiteral("A14")));
    return c;
}

AnswerMark answerMark(const QString& openAnswer, const QString& key)
{
    if (openAnswer.isEmpty())
        return AnswerMark::Open;
    return isRightAnswer(openAnswer, key) ? AnswerMark::Right : AnswerMark::Wrong;
}

QString practiceClockText(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0);
    return QString::asprintf("%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

RecordOutcome recordAnswer(TDM1& dm, store::Dataset& set, const QString& answer, const review::AnswerContext& context)
{
    RecordOutcome out;
    if (answer.isEmpty()) {
        out.what = Recorded::Cleared;
        if (!set.text(kE2_1).isEmpty() || set.isNull(kE2_1)) {
            try {
                set.setValue(kE2_1, QString(QLatin1String("")));
                set.post();
            } catch (...) {
                set.cancel();
                throw;
            }
        }
        return out;
    }

    const QDate today = store::Clock::today();
    const QString key = set.text(QStringLiteral("A2"));
    const QString lastAnswer = set.text(kE2);

    // The rows in memory follow the transaction: a rollback gives the question
    // row and the shared tables back as the bank has them.
    try {
        // Inside a caller's transaction (an exam answer with its bank row) this
        // answer is part of the caller's unit and rolls back with it.
        store::Transaction t(dm.db(), store::Transaction::Nesting::Join);
        if (answer != set.text(kE2_1)) {
            out.what = Recorded::Counted;
            out.flags = answerFlags(answer, key, set.date(kE1), lastAnswer, today);
            out.right = out.flags.result == 1;
            set.setValue(kE4, nextWrongWeight(out.flags.firstEver == 1, int(set.integer(kE4)), out.right));
            set.setValue(kE3, set.integer(kE3) + 1);
            dm.LogDailyAnswer(out.flags.firstToday, out.flags.result, out.flags.previous);
            dm.CountChapterAnswer(set.text(QStringLiteral("A10")), out.flags.firstEver, out.flags.result);
            const QStringList points = pointIdsOf(set);
            if (!points.isEmpty())
                dm.CountPointAnswer(points, out.flags.firstEver, out.flags.result);
            // Before the row is posted: a question new to the log is estimated from its old counters.
            review::logAnswer(dm.db(), set.text(QStringLiteral("A1")), out.right, answer, context, store::Clock::now());
        } else {
            out.what = Recorded::Confirmed;
            out.right = isRightAnswer(answer, key);
        }
        set.setValue(kE2_1, answer);
        set.setValue(kE2, answer);
        set.setValue(kE1, today);
        set.post();
        t.commit();
    } catch (...) {
        // An edit the bank never took is dropped.
        set.cancel();
        throw;
    }
    return out;
}

} // namespace practice
