#include "authoring/TFrmInPut.h"

#include "core/authoring/AuthoringRules.h"
#include "authoring/QuestionInputs.h"
#include "progress/TFrmConfig.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/RichTextEdit.h"
#include "ui/RichTextToolBar.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QShortcut>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr QSize kFull{931, 611};
constexpr QSize kCompact{762, 480};
constexpr int kTitleHeight = 34;

QLabel* editorLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace

TFrmInPut::TFrmInPut(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmInPut"));
    setWindowTitle(QStringLiteral("试题录入"));
    setModal(true);
    setFont(ui::songFont(14));
    ui::usePanelBackground(this);

    inputs = new QuestionInputs(this);
    Re1 = inputs->addEditor(QStringLiteral("Re1"), QStringLiteral("试题内容"));
    Re2 = inputs->addEditor(QStringLiteral("Re2"), QStringLiteral("试题解析"));

    epLabelCaption = new QLabel(this);
    epLabelCaption->setObjectName(QStringLiteral("epLabelCaption"));
    epLabelCaption->setTextFormat(Qt::PlainText);
    epLabelCaption->setFont(ui::songFont(16, true));
    QPalette white = epLabelCaption->palette();
    white.setColor(QPalette::WindowText, ui::kTitleText);
    epLabelCaption->setPalette(white);
    savedLabel = new QLabel(this);
    savedLabel->setObjectName(QStringLiteral("savedLabel"));
    savedLabel->setPalette(white);
    savedLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    btnSave = QuestionInputs::command(QStringLiteral("btnSave"), QStringLiteral("保存"), this);
    btnClear = QuestionInputs::command(QStringLiteral("btnClear"), QStringLiteral("清除"), this);
    btnConfig = QuestionInputs::command(QStringLiteral("btnConfig"), QStringLiteral("设置"), this);
    btnHelp = QuestionInputs::command(QStringLiteral("btnHelp"), QStringLiteral("使用说明"), this);
    btnClose = QuestionInputs::command(QStringLiteral("btnClose"), QStringLiteral("关闭"), this);
    btnSave->setToolTip(QStringLiteral("保存 (Ctrl+S)"));

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(inputs->toolbar);
    left->addWidget(editorLabel(QStringLiteral("试题内容："), Re1, this));
    left->addWidget(Re1, 3);
    left->addWidget(editorLabel(QStringLiteral("试题解析："), Re2, this));
    left->addWidget(Re2, 2);

    auto* body = new QHBoxLayout;
    body->setSpacing(12);
    body->addLayout(left, 1);
    body->addWidget(inputs->buildSideColumn({btnSave, btnClear, btnHelp, btnConfig, btnClose}));

    auto* title = new QHBoxLayout;
    title->setContentsMargins(12, 0, 12, 0);
    title->addWidget(epLabelCaption, 1);
    title->addWidget(savedLabel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* titleStrip = new QWidget(this);
    titleStrip->setFixedHeight(kTitleHeight);
    titleStrip->setLayout(title);
    layout->addWidget(titleStrip);
    auto* bodyBox = new QWidget(this);
    body->setContentsMargins(10, 8, 10, 10);
    bodyBox->setLayout(body);
    layout->addWidget(bodyBox, 1);

    connect(inputs->ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
    connect(btnSave, &QAbstractButton::clicked, this, &TFrmInPut::btnSaveClick);
    connect(btnClear, &QAbstractButton::clicked, this, &TFrmInPut::btnClearClick);
    connect(btnHelp, &QAbstractButton::clicked, this, [this] { QuestionInputs::showUsageNotes(this); });
    connect(btnConfig, &QAbstractButton::clicked, this, [this] { TFrmConfig::open(false, this); });
    connect(btnClose, &QAbstractButton::clicked, this, [this] {
        inputs->unlock();
        accept();
    });
    auto* saveKey = new QShortcut(QKeySequence::Save, this);
    connect(saveKey, &QShortcut::activated, this, &TFrmInPut::btnSaveClick);

    setTabOrder(Re1, Re2);
    inputs->chainTabOrder(Re2, btnSave);
    setTabOrder(btnSave, btnClear);
    setTabOrder(btnClear, btnHelp);
    setTabOrder(btnHelp, btnConfig);
    setTabOrder(btnConfig, btnClose);

    arrange(ui::compactLayout());
}

void TFrmInPut::setChapter(const QString& chapterId, const QString& captionText)
{
    m_chapter = chapterId;
    epLabelCaption->setText(captionText);
}

void TFrmInPut::arrange(bool compact)
{
    setFixedSize(compact ? kCompact : kFull);
    inputs->arrange(compact);
    savedLabel->setFont(ui::songFont(compact ? 13 : 14));
}

void TFrmInPut::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || m_shown)
        return;
    m_shown = true;
    ui::centreWindow(this, parentWidget());
    guard::run(QStringLiteral("无法读取题型"), [this] { FormShow(); });
    Re1->setFocus();
}

void TFrmInPut::FormShow()
{
    m_saved = 0;
    savedLabel->clear();
    inputs->SE_Num->setValue(authoring::kDefaultOptions);
    inputs->loadTypes();
    inputs->applyTypeLock(true);
}

void TFrmInPut::ComboBox1Change()
{
    inputs->applyTypeLock(true);
}

void TFrmInPut::clearTexts()
{
    Re1->clear();
    Re2->clear();
    inputs->Edit1->clear();
    inputs->clearPoints();
}

void TFrmInPut::btnClearClick()
{
    clearTexts();
    if (inputs->ComboBox1->count() > 0) {
        const QSignalBlocker quiet(inputs->ComboBox1);
        inputs->ComboBox1->setCurrentIndex(0);
    }
    // The inputs follow the type shown, also when it is a subjective one.
    inputs->applyTypeLock(true);
}

void TFrmInPut::btnSaveClick()
{
    const auto type = inputs->chosenType();
    const authoring::Check check = authoring::checkQuestion(Re1->toPlainText(), inputs->Edit1->text(), type.has_value());
    if (check != authoring::Check::Ok) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), authoring::checkMessage(check));
        QWidget* focus = check == authoring::Check::MissingStem     ? static_cast<QWidget*>(Re1)
                         : check == authoring::Check::MissingAnswer ? static_cast<QWidget*>(inputs->Edit1)
                                                                    : static_cast<QWidget*>(inputs->ComboBox1);
        // A locked answer cannot take the focus; the type list decides it.
        (focus->isEnabled() ? focus : inputs->ComboBox1)->setFocus();
        return;
    }
    const std::optional<QString> answer = inputs->answerForType();
    if (!answer)
        return;

    authoring::NewQuestion q;
    q.chapter = m_chapter;
    q.type = type->id;
    q.options = inputs->SE_Num->value();
    q.answer = *answer;
    q.points = inputs->pointIds();
    q.stem = Re1->richText();
    if (Re2->hasContent())
        q.analysis = Re2->richText();

    authoring::SaveOutcome outcome;
    // A failure leaves every input as typed, so the candidate can save again.
    if (!guard::run(QStringLiteral("保存试题出现错误！"), [&] { outcome = authoring::saveNewQuestion(DM1->db(), q); }))
        return;
    if (!outcome.saved) {
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("提示"), QStringLiteral("最多只能录入9999道题！"));
        return;
    }
    // The next question is often of the same kind: type and count stay.
    clearTexts();
    inputs->applyTypeLock(true);
    ++m_saved;
    savedLabel->setText(QStringLiteral("已保存 %1 道试题").arg(m_saved));
    Re1->setFocus();
}

void TFrmInPut::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    ui::paintTitleBand(p, QRect(0, 0, width(), kTitleHeight));
}
