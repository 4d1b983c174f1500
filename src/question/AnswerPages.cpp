#include "question/AnswerPages.h"

#include "question/AnswerPanel.h"
#include "ui/AccessibleText.h"
#include "ui/ArtLayout.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"
#include "ui/Style.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace practice {

namespace {

// Two characters over two more: "案例分析" → "案例\n分析", "主观" → "主\n观".
QString sideText(const QString& name)
{
    if (name.size() <= 2)
        return QStringList{name.left(1), name.mid(1, 1)}.join(QLatin1Char('\n'));
    return name.left(2) + QLatin1Char('\n') + name.mid(2, 2);
}

} // namespace

AnswerBook::AnswerBook(const QString& picDir, QWidget* parent)
    : QStackedWidget(parent)
    , m_picDir(picDir)
{
    setObjectName(QStringLiteral("Notebook1"));
    setAccessibleName(QStringLiteral("答题区"));
    for (int page = 0; page < kPageCount; ++page)
        addWidget(makePage(page));
    // A type with no page shows this instead of another type's page, so nothing
    // stale is read from it.
    auto* none = new QLabel(QStringLiteral("本题型不需作答"), this);
    none->setObjectName(QStringLiteral("noAnswerPage"));
    none->setAccessibleName(none->text());
    none->setAlignment(Qt::AlignCenter);
    none->setFont(ui::songFont(14, true));
    addWidget(none);
    setCurrentIndex(SubjectivePage);
    setToolTip(pageHint(SubjectivePage));
    // The hint follows the page shown.
    connect(this, &QStackedWidget::currentChanged, this, [this](int page) { setToolTip(pageHint(page)); });
}

QWidget* AnswerBook::makePage(int page)
{
    auto* w = new QWidget(this);
    w->setObjectName(QStringLiteral("page%1").arg(page));
    w->setAccessibleName(pageCaption(page));
    auto* row = new QHBoxLayout(w);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(8);

    auto* side = new QLabel(w);
    side->setObjectName(QStringLiteral("sideLabel%1").arg(page));
    side->setFont(ui::songFont(14, true));
    side->setAlignment(Qt::AlignCenter);
    side->setFixedWidth(34);
    side->setStyleSheet(QStringLiteral("QLabel { color: white; background: rgb(44,78,128); border-radius: 3px; }"));
    const QString sideName = page == MatchPage ? QStringLiteral("不定项") : pageCaption(page);
    side->setText(sideText(sideName));
    m_side[size_t(page)] = side;
    row->addWidget(side);

    const auto makeOptions = [&](std::array<ui::PictureButton*, kOptionCount>& group, bool exclusive) {
        for (int i = 0; i < kOptionCount; ++i) {
            auto* b = new ui::PictureButton(optionLetter(i), w);
            b->setObjectName(QStringLiteral("opt%1%2").arg(page).arg(optionLetter(i)));
            b->setAccessibleName(pageCaption(page) + QLatin1Char(' ') + optionLetter(i));
            b->setCheckable(true);
            b->loadPictures(m_picDir + QLatin1String(ui::art::kOptionUp), m_picDir + QLatin1String(ui::art::kOptionDown));
            b->setFont(ui::songFont(16, true));
            group[size_t(i)] = b;
            row->addWidget(b);
            connect(b, &QAbstractButton::toggled, this, [this, &group, b, exclusive](bool on) {
                if (exclusive && on)
                    releaseOthers(group, b);
                Q_EMIT answerChanged();
            });
        }
    };

    switch (page) {
    case SinglePage: makeOptions(m_single, true); break;
    case MultiPage: makeOptions(m_multi, false); break;
    case MatchPage: makeOptions(m_match, false); break;
    case FillPage:
        m_fill = new QLineEdit(w);
        m_fill->setObjectName(QStringLiteral("fillEdit"));
        m_fill->setAccessibleName(QStringLiteral("填空 答案"));
        m_fill->setFont(ui::songFont(14));
        row->addWidget(m_fill, 4);
        connect(m_fill, &QLineEdit::textChanged, this, &AnswerBook::answerChanged);
        break;
    case JudgePage:
        for (bool right : {true, false}) {
            auto* b = new ui::PictureButton(right ? QStringLiteral("对") : QStringLiteral("错"), w);
            b->setObjectName(right ? QStringLiteral("judgeRight") : QStringLiteral("judgeWrong"));
            b->setAccessibleName(QStringLiteral("判断 ") + b->text());
            b->setCheckable(true);
            b->loadPictures(m_picDir + QLatin1String(ui::art::kJudgeUp), m_picDir + QLatin1String(ui::art::kJudgeDown));
            b->setFont(ui::songFont(16, true));
            (right ? m_right : m_wrong) = b;
            row->addWidget(b);
            connect(b, &QAbstractButton::toggled, this, [this, b](bool on) {
                // At most one pressed; pressing the pressed one releases it.
                if (on) {
                    ui::PictureButton* other = b == m_right ? m_wrong : m_right;
                    if (other) {
                        const QSignalBlocker block(other);
                        other->setChecked(false);
                        other->update();
                    }
                }
                Q_EMIT answerChanged();
            });
        }
        break;
    case SubjectivePage:
        m_subjective = new QComboBox(w);
        m_subjective->setObjectName(QStringLiteral("subjectiveBox"));
        m_subjective->setAccessibleName(QStringLiteral("主观 会或不会"));
        m_subjective->addItems({QStringLiteral("不会"), QStringLiteral("会")});
        m_subjective->setEditable(false);
        m_subjective->setCurrentIndex(-1);
        m_subjective->setFont(ui::songFont(14));
        m_subjective->setMinimumWidth(120);
        row->addWidget(m_subjective);
        connect(m_subjective, &QComboBox::currentIndexChanged, this, &AnswerBook::answerChanged);
        break;
    default: break;
    }
    row->addStretch(1);
    return w;
}

void AnswerBook::setFaceSizes(const QSize& option, const QSize& judge)
{
    for (auto* group : {&m_single, &m_multi, &m_match})
        for (ui::PictureButton* b : *group)
            b->setFixedSize(option);
    for (ui::PictureButton* b : {m_right, m_wrong})
        b->setFixedSize(judge);
}

void AnswerBook::setSideFont(const QFont& font)
{
    for (QLabel* side : m_side)
        side->setFont(font);
}

void AnswerBook::releaseOthers(const std::array<ui::PictureButton*, kOptionCount>& group, ui::PictureButton* pressed)
{
    for (ui::PictureButton* b : group) {
        if (b != pressed && b->isChecked()) {
            const QSignalBlocker block(b);
            b->setChecked(false);
            b->update();
        }
    }
}

void AnswerBook::showPage(int page)
{
    setCurrentIndex(page >= 0 && page < kPageCount ? page : kPageCount);
}

int AnswerBook::page() const
{
    return currentIndex() < kPageCount ? currentIndex() : NoPage;
}

PageState AnswerBook::state() const
{
    PageState s;
    s.page = page();
    s.optionCount = m_optionCount;
    for (int i = 0; i < kOptionCount; ++i) {
        s.single[size_t(i)] = m_single[size_t(i)]->isChecked();
        s.multi[size_t(i)] = m_multi[size_t(i)]->isChecked();
        s.match[size_t(i)] = m_match[size_t(i)]->isChecked();
    }
    s.judgement = m_right->isChecked() ? Judgement::True : m_wrong->isChecked() ? Judgement::False : Judgement::None;
    s.fill = m_fill->text();
    s.subjective = m_subjective->currentIndex();
    return s;
}

void AnswerBook::setOptionCount(int count)
{
    m_optionCount = std::clamp(count, 0, kOptionCount);
}

void AnswerBook::showAnswer(const QString& answer)
{
    PageState s = state();
    putAnswer(s, answer);
    const QSignalBlocker block(this);
    const auto apply = [&](const std::array<ui::PictureButton*, kOptionCount>& group, const std::array<bool, kOptionCount>& pressed) {
        for (int i = 0; i < kOptionCount; ++i) {
            ui::PictureButton* b = group[size_t(i)];
            const QSignalBlocker blockButton(b);
            b->setVisible(i < m_optionCount);
            b->setChecked(pressed[size_t(i)]);
            b->update();
        }
    };
    switch (s.page) {
    case SinglePage: apply(m_single, s.single); break;
    case MultiPage: apply(m_multi, s.multi); break;
    case MatchPage: apply(m_match, s.match); break;
    case FillPage: {
        const QSignalBlocker blockEdit(m_fill);
        m_fill->setText(s.fill);
        break;
    }
    case JudgePage:
        for (ui::PictureButton* b : {m_right, m_wrong}) {
            const QSignalBlocker blockButton(b);
            b->setChecked((b == m_right && s.judgement == Judgement::True) || (b == m_wrong && s.judgement == Judgement::False));
            b->update();
        }
        break;
    case SubjectivePage: {
        const QSignalBlocker blockBox(m_subjective);
        m_subjective->setCurrentIndex(s.subjective);
        break;
    }
    default: break;
    }
}

void AnswerBook::followStem(QTextEdit* stem, QTextEdit* subQuestion)
{
    const auto read = [this, stem, subQuestion] {
        const auto ownTexts = subQuestion ? optionTextsOfStem(subQuestion->toPlainText()) : std::array<QString, kOptionCount>{};
        const bool own = std::any_of(ownTexts.begin(), ownTexts.end(), [](const QString& t) { return !t.isEmpty(); });
        describeOptions(own ? ownTexts : optionTextsOfStem(stem->toPlainText()));
    };
    connect(stem, &QTextEdit::textChanged, this, read);
    if (subQuestion)
        connect(subQuestion, &QTextEdit::textChanged, this, read);
    read();
}

void AnswerBook::describeOptions(const std::array<QString, kOptionCount>& texts)
{
    for (auto* group : {&m_single, &m_multi, &m_match})
        for (int i = 0; i < kOptionCount; ++i)
            ui::setDescription((*group)[size_t(i)], texts[size_t(i)]);
}

void AnswerBook::setSubjectiveSide(const QString& typeName)
{
    m_side[SubjectivePage]->setText(sideText(typeName));
}

QString AnswerBook::subjectiveSide() const
{
    return m_side[SubjectivePage]->text();
}

bool AnswerBook::pressLetter(int i)
{
    if (i < 0 || i >= m_optionCount)
        return false;
    if (currentIndex() == SinglePage) {
        m_single[size_t(i)]->setChecked(true);
        return true;
    }
    if (currentIndex() == MultiPage) {
        m_multi[size_t(i)]->toggle();
        return true;
    }
    return false;
}

ui::PictureButton* AnswerBook::option(int page, int i) const
{
    if (i < 0 || i >= kOptionCount)
        return nullptr;
    switch (page) {
    case SinglePage: return m_single[size_t(i)];
    case MultiPage: return m_multi[size_t(i)];
    case MatchPage: return m_match[size_t(i)];
    default: return nullptr;
    }
}

ui::PictureButton* AnswerBook::judgeButton(bool right) const
{
    return right ? m_right : m_wrong;
}

void AnswerBook::arrangeUnderQuestion(const QSize& option, const QSize& judge, int height, int headingPx)
{
    setFaceSizes(option, judge);
    setFixedHeight(height);
    setAutoFillBackground(true);
    // The option faces are drawn on the panel colour: the book keeps it.
    setStyleSheet(QStringLiteral("#Notebook1 { border: 1px solid rgb(150,170,200); }"));
    setSideFont(ui::songFont(headingPx, true));
}

void openLowerPane(QSplitter* splitter, QWidget* lower)
{
    lower->show();
    splitter->refresh();
    const int total = splitter->height();
    splitter->setSizes({std::max(total - kLowerPaneHeight - kSplitterHandle, 1), kLowerPaneHeight});
}

QuestionArea buildQuestionArea(QWidget* owner, int handleWidth, int panelPx)
{
    QuestionArea q;
    q.area = new QWidget(owner);
    q.area->setObjectName(QStringLiteral("questionArea"));
    auto* l = new QVBoxLayout(q.area);
    l->setContentsMargins(0, 0, 0, 0);
    q.splitter = new QSplitter(Qt::Vertical, q.area);
    q.splitter->setObjectName(QStringLiteral("Splitter1"));
    q.splitter->setChildrenCollapsible(false);
    q.splitter->setHandleWidth(handleWidth);
    q.re1 = new ui::RichTextView(q.splitter);
    q.re1->setObjectName(QStringLiteral("Re1"));
    q.re1->setAccessibleName(QStringLiteral("试题"));
    q.re2 = new ui::RichTextView(q.splitter);
    q.re2->setObjectName(QStringLiteral("Re2"));
    q.re2->setAccessibleName(QStringLiteral("小题"));
    q.splitter->addWidget(q.re1);
    q.splitter->addWidget(q.re2);
    q.re2->hide();
    l->addWidget(q.splitter);

    // The answer panel slides over the question from the left.
    q.panel = new AnswerPanel(q.area, panelPx);
    q.panel->setObjectName(QStringLiteral("Panel2"));
    return q;
}

} // namespace practice
