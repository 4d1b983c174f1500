#include "question/QuestionScreen.h"

#include "common/Guard.h"
#include "core/question/PracticeRules.h"
#include "core/search/Gather.h"
#include "core/store/DataModule.h"
#include "question/AnswerPages.h"
#include "question/AnswerPanel.h"
#include "ui/AccessibleText.h"
#include "ui/ArtLayout.h"
#include "ui/CommandButton.h"
#include "ui/PictureButton.h"
#include "ui/RichTextView.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace practice {

const QString kActionFailed = QStringLiteral("操作未能完成，请重试！");

QString markWords(AnswerMark mark)
{
    switch (mark) {
    case AnswerMark::Answered: return QStringLiteral("已做");
    case AnswerMark::Right: return QStringLiteral("做对");
    case AnswerMark::Wrong: return QStringLiteral("做错");
    case AnswerMark::Open: break;
    }
    return QStringLiteral("未做");
}

QLabel* makeLabel(const QString& text, QWidget* parent, const QString& name)
{
    auto* l = new QLabel(text, parent);
    if (!name.isEmpty())
        l->setObjectName(name);
    return l;
}

QuestionScreen::QuestionScreen(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_picDir((DM1 ? DM1->AppDir : QCoreApplication::applicationDirPath() + QLatin1Char('/')) + QStringLiteral("pic/"))
{
}

QuestionScreen::~QuestionScreen() = default;

// ---- building ------------------------------------------------------------------------

QVBoxLayout* QuestionScreen::startLayout(int textPx)
{
    setFont(ui::songFont(textPx));
    ui::usePanelBackground(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 0, 6, 6);
    outer->setSpacing(4);
    return outer;
}

QBoxLayout* QuestionScreen::addHeadingStrip(QVBoxLayout* outer, int verticalMargin)
{
    auto* strip = new QWidget(this);
    ui::styleHeadingStrip(strip);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(8, verticalMargin, 8, verticalMargin);
    outer->addWidget(strip);
    return row;
}

QWidget* QuestionScreen::buildQuestionArea(int panelPx)
{
    const QuestionArea q = practice::buildQuestionArea(this, kSplitterHandle, panelPx);
    m_questionArea = q.area;
    Splitter1 = q.splitter;
    Re1 = q.re1;
    Re2 = q.re2;
    Panel2 = q.panel;
    return m_questionArea;
}

AnswerBook* QuestionScreen::buildAnswerBook(const QSize& option, const QSize& judge, int height, int headingPx)
{
    Notebook1 = new AnswerBook(m_picDir, this);
    Notebook1->arrangeUnderQuestion(option, judge, height, headingPx);
    Notebook1->followStem(Re1, Re2);
    return Notebook1;
}

ui::CommandButton* QuestionScreen::addCommand(QWidget* bar, QBoxLayout* row, const QString& name, const QString& caption, int height)
{
    auto* b = new ui::CommandButton(caption, bar);
    b->setObjectName(name);
    b->setFramed(true);
    b->setAutoDefault(false);
    b->setFixedHeight(height);
    b->setMinimumWidth(10);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    row->addWidget(b);
    return b;
}

ui::PictureButton* QuestionScreen::makeGridButton(int number, QWidget* parent, const QSize& face, const QFont& font)
{
    auto* b = new ui::PictureButton(QString::number(number), parent);
    b->setObjectName(QStringLiteral("th%1").arg(number));
    b->setCheckable(true);
    b->setFixedSize(face);
    b->setFont(font);
    return b;
}

void QuestionScreen::showNoteState(bool noted)
{
    ui::setText(epEfTrBtn5, noted ? QStringLiteral("有内容") : QStringLiteral("笔记"));
    ui::setName(epEfTrBtn5, QStringLiteral("笔记"));
    ui::setDescription(epEfTrBtn5, noted ? QStringLiteral("有内容") : QString());
}

// ---- bookmark ------------------------------------------------------------------------

ui::CommandButton* QuestionScreen::addBookmarkToggle(QBoxLayout* row, int px)
{
    btnBookmark = new ui::CommandButton(this);
    btnBookmark->setObjectName(QStringLiteral("btnBookmark"));
    btnBookmark->setAutoDefault(false);
    btnBookmark->setFont(ui::songFont(px, true));
    btnBookmark->setEnabled(false);
    // A screen that hides it (a running exam) keeps the row's height, so the question does not move.
    QSizePolicy keepPlace = btnBookmark->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    btnBookmark->setSizePolicy(keepPlace);
    paintBookmark(false);
    row->addWidget(btnBookmark);
    if (epEfTrBtn5)
        setTabOrder(epEfTrBtn5, btnBookmark);
    // Checked while bookmarked: a screen reader says "pressed" when the state changes, which
    // it does not for the new name. The state, not the click: its Toggle action does the same.
    btnBookmark->setCheckable(true);
    connect(btnBookmark, &QAbstractButton::toggled, this, [this](bool on) {
        if (on != m_bookmarked)
            btnBookmarkClick();
    });
    auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    key->setObjectName(QStringLiteral("bookmarkKey"));
    connect(key, &QShortcut::activated, this, [this] {
        if (!btnBookmark->isVisible() || !btnBookmark->isEnabled())
            return;
        const bool typing = qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr;
        btnBookmarkClick();
        // A screen reader says the new state where the focus is; an answer being typed keeps it.
        if (!typing)
            btnBookmark->setFocus(Qt::ShortcutFocusReason);
    });
    // The fill-in box would take Ctrl+D as "delete" on this platform: the toggle gets it.
    if (Notebook1 && Notebook1->fillEdit())
        Notebook1->fillEdit()->installEventFilter(this);
    return btnBookmark;
}

bool QuestionScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && btnBookmark
        && static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_D))
        return true; // not accepted: the shortcut fires
    return QDialog::eventFilter(watched, event);
}

void QuestionScreen::paintBookmark(bool on)
{
    m_bookmarked = on;
    const QString words = on ? QStringLiteral("取消收藏") : QStringLiteral("收藏本题");
    ui::setText(btnBookmark, (on ? QStringLiteral("★ ") : QStringLiteral("☆ ")) + words);
    ui::setName(btnBookmark, words);
    btnBookmark->setToolTip(QStringLiteral("Ctrl+D"));
    const QSignalBlocker quiet(btnBookmark);
    btnBookmark->setChecked(on);
}

void QuestionScreen::showBookmark(const QString& questionId)
{
    if (!btnBookmark)
        return;
    m_bookmarkId = questionId;
    bool on = false;
    bool known = !questionId.isEmpty();
    if (known) {
        try {
            on = search::isBookmarked(DM1->db(), questionId);
        } catch (const store::DbError&) {
            // Offered again with the next question that reads; a move is no place for a prompt.
            known = false;
        }
    }
    paintBookmark(on);
    btnBookmark->setEnabled(known);
}

void QuestionScreen::btnBookmarkClick()
{
    if (!btnBookmark)
        return;
    bool on = m_bookmarked;
    if (btnBookmark->isEnabled() && btnBookmark->isVisible() && !m_bookmarkId.isEmpty())
        guard::run(kActionFailed, [&] { on = search::toggleBookmark(DM1->db(), m_bookmarkId); });
    // After a failure too: a click has checked the button already.
    paintBookmark(on);
}

// ---- grid pictures -------------------------------------------------------------------

bool QuestionScreen::loadGridPictures()
{
    using namespace ui::art;
    // In the order of AnswerMark: open, right, wrong, answered (the exam, before grading).
    const std::array<std::pair<const char*, const char*>, 4> files = {
        {{kGridUp, kGridDown}, {kGridRight, kGridRightDown}, {kGridWrong, kGridWrongDown}, {kGridAnswered, kGridDown}}};
    for (size_t i = 0; i < files.size(); ++i) {
        m_gridUp[i] = ui::loadPicture(m_picDir + QLatin1String(files[i].first));
        m_gridDown[i] = ui::loadPicture(m_picDir + QLatin1String(files[i].second));
        if (m_gridUp[i].isNull() || m_gridDown[i].isNull())
            return false;
    }
    return true;
}

void QuestionScreen::paintMark(ui::PictureButton* button, AnswerMark mark) const
{
    const size_t m = size_t(mark);
    button->setPictures(m_gridUp[m], m_gridDown[m]);
}

// ---- showing -------------------------------------------------------------------------

void QuestionScreen::showStem(const QString& questionId, const QByteArray& stem)
{
    if (questionId.contains(QLatin1Char('-'))) {
        const QByteArray shared = sharedStem(*DM1->Cn1Query2, questionId);
        if (!lowerPaneOpen())
            openLowerPane(Splitter1, Re2);
        Re1->setRichText(shared);
        Re2->setRichText(stem);
    } else {
        closeLowerPane();
        Re1->setRichText(stem);
    }
}

void QuestionScreen::nameQuestion(int number)
{
    ui::setName(Re1, number > 0 ? QStringLiteral("第%1题 试题").arg(number) : QStringLiteral("试题"));
}

void QuestionScreen::focusStem()
{
    Re1->setFocus(Qt::OtherFocusReason);
}

void QuestionScreen::closeLowerPane()
{
    Re2->hide();
    Re2->clear();
}

bool QuestionScreen::lowerPaneOpen() const
{
    return !Re2->isHidden();
}

// ---- the answer panel ------------------------------------------------------------------

bool QuestionScreen::answerPanelOpen() const
{
    return Panel2->isOpen();
}

void QuestionScreen::ToggleAnswerPanel()
{
    // The caption says where the button leads: back from the open panel.
    if (!answerPanelOpen()) {
        ui::setText(epEfTrBtn6, QStringLiteral("返回"));
        Panel2->slideIn();
    } else {
        ui::setText(epEfTrBtn6, QStringLiteral("答案"));
        Panel2->slideOut();
    }
}

void QuestionScreen::closeAnswerPanel()
{
    ui::setText(epEfTrBtn6, QStringLiteral("答案"));
    Panel2->closeNow();
}

// ---- keys ------------------------------------------------------------------------------

bool QuestionScreen::takeQuestionKey(QKeyEvent* event, bool answering)
{
    const int page = Notebook1->currentIndex();
    if (page != SinglePage && page != MultiPage)
        return false;
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter) {
        ui::CommandButton* move = key == Qt::Key_Backspace ? epEfTrBtn1 : epEfTrBtn2;
        if (move->isEnabled())
            move->click();
        return true;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_F && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (answering)
            Notebook1->pressLetter(key - Qt::Key_A);
        return true;
    }
    return false;
}

} // namespace practice
