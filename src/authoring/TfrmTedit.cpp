#include "authoring/TfrmTedit.h"

#include "core/authoring/AuthoringRules.h"
#include "authoring/QuestionInputs.h"
#include "core/question/PracticeRules.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "core/store/Dataset.h"
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
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

constexpr QSize kFull{944, 623};
constexpr QSize kCompact{780, 490};
constexpr int kTitleHeight = 34;

} // namespace

TfrmTedit::TfrmTedit(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmTedit"));
    setWindowTitle(QStringLiteral("试题修改"));
    setModal(true);
    setFont(ui::songFont(14));
    ui::usePanelBackground(this);

    inputs = new QuestionInputs(this);
    RxDBRichEdit3 = inputs->addEditor(QStringLiteral("RxDBRichEdit3"), QStringLiteral("共用题干"));
    RxDBRichEdit1 = inputs->addEditor(QStringLiteral("RxDBRichEdit1"), QStringLiteral("试题内容"));
    RxDBRichEdit2 = inputs->addEditor(QStringLiteral("RxDBRichEdit2"), QStringLiteral("试题解析"));
    for (ui::RichTextEdit* e : {RxDBRichEdit3, RxDBRichEdit1, RxDBRichEdit2}) {
        connect(e->document(), &QTextDocument::contentsChanged, this, [this, e] {
            if (!m_loading)
                m_changed.insert(e);
        });
    }

    btnSave = QuestionInputs::command(QStringLiteral("btnSave"), QStringLiteral("保存"), this);
    btnCancel = QuestionInputs::command(QStringLiteral("btnCancel"), QStringLiteral("取消"), this);
    btnHelp = QuestionInputs::command(QStringLiteral("btnHelp"), QStringLiteral("使用说明"), this);
    btnSave->setToolTip(QStringLiteral("保存 (Ctrl+S)"));

    groupLabel = new QLabel(QStringLiteral("共用题干："), this);
    groupLabel->setBuddy(RxDBRichEdit3);
    auto* stemLabel = new QLabel(QStringLiteral("试题内容："), this);
    stemLabel->setBuddy(RxDBRichEdit1);
    auto* analysisLabel = new QLabel(QStringLiteral("试题解析："), this);
    analysisLabel->setBuddy(RxDBRichEdit2);

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(inputs->toolbar);
    left->addWidget(groupLabel);
    left->addWidget(RxDBRichEdit3, 2);
    left->addWidget(stemLabel);
    left->addWidget(RxDBRichEdit1, 3);
    left->addWidget(analysisLabel);
    left->addWidget(RxDBRichEdit2, 2);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(10, kTitleHeight + 8, 10, 10);
    body->setSpacing(12);
    body->addLayout(left, 1);
    body->addWidget(inputs->buildSideColumn({btnSave, btnCancel, btnHelp}));
    setLayout(body);

    connect(inputs->ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
    connect(btnSave, &QAbstractButton::clicked, this, &TfrmTedit::btnSaveClick);
    connect(btnCancel, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QAbstractButton::clicked, this, [this] { QuestionInputs::showUsageNotes(this); });
    auto* saveKey = new QShortcut(QKeySequence::Save, this);
    connect(saveKey, &QShortcut::activated, this, &TfrmTedit::btnSaveClick);

    setTabOrder(RxDBRichEdit3, RxDBRichEdit1);
    setTabOrder(RxDBRichEdit1, RxDBRichEdit2);
    inputs->chainTabOrder(RxDBRichEdit2, btnSave);
    setTabOrder(btnSave, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    arrange(ui::compactLayout());
    // Filled at once, so a caller (or a test) sees the question before showing.
    guard::run(QStringLiteral("无法打开试题！"), [this] { m_loaded = FormShow(); });
}

void TfrmTedit::showDocument(ui::RichTextEdit* e, const QByteArray& data)
{
    m_loading = true;
    e->setRichText(data);
    m_loading = false;
    m_changed.remove(e);
}

std::optional<QByteArray> TfrmTedit::changed(const ui::RichTextEdit* e) const
{
    if (!m_changed.contains(const_cast<ui::RichTextEdit*>(e)))
        return std::nullopt;
    return e->hasContent() ? e->richText() : QByteArray();
}

void TfrmTedit::arrange(bool compact)
{
    setFixedSize(compact ? kCompact : kFull);
    inputs->arrange(compact);
}

bool TfrmTedit::FormShow()
{
    store::Dataset* set = DM1->Cn1Query_tm;
    store::Dataset* text = DM1->cn1query_nr;
    if (!set->isOpen() || set->recNo() == 0)
        return false;
    m_id = set->text(QStringLiteral("a1"));
    showDocument(RxDBRichEdit1, text->isOpen() && text->recNo() > 0 ? text->bytes(QStringLiteral("A15")) : QByteArray());
    showDocument(RxDBRichEdit2, text->isOpen() && text->recNo() > 0 ? text->bytes(QStringLiteral("jx")) : QByteArray());
    inputs->SE_Num->setValue(int(set->integer(QStringLiteral("a2_1"))));
    inputs->Edit1->setText(set->text(QStringLiteral("a2")));

    const QString group = authoring::groupIdOf(m_id);
    if (!group.isEmpty())
        showDocument(RxDBRichEdit3, practice::sharedStem(*DM1->Cn1Query2, m_id));
    // Without a shared stem the stem editor takes its place.
    RxDBRichEdit3->setVisible(!group.isEmpty());
    groupLabel->setVisible(!group.isEmpty());

    inputs->loadTypes(int(set->integer(QStringLiteral("a13"))));
    const auto type = inputs->chosenType();
    if (type && authoring::isSubjectiveType(type->name))
        inputs->applyTypeLock(false);

    inputs->clearPoints();
    for (int k = 3; k <= 12; ++k) {
        const QString id = set->text(QStringLiteral("k%1").arg(k));
        if (!id.isEmpty())
            inputs->addPoint(id, authoring::pointDisplayText(DM1->db(), id));
    }
    return true;
}

void TfrmTedit::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ui::centreWindow(this, parentWidget());
    (RxDBRichEdit3->isVisible() ? RxDBRichEdit3 : RxDBRichEdit1)->setFocus();
}

void TfrmTedit::ComboBox1Change()
{
    inputs->applyTypeLock(false);
}

void TfrmTedit::btnSaveClick()
{
    if (!m_loaded)
        return;
    // The checks of question entry: a question without stem or answer could never
    // be answered right.
    const authoring::Check check = authoring::checkQuestion(RxDBRichEdit1->toPlainText(), inputs->Edit1->text(), true);
    if (check != authoring::Check::Ok) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), authoring::checkMessage(check));
        QWidget* focus = check == authoring::Check::MissingStem ? static_cast<QWidget*>(RxDBRichEdit1) : inputs->Edit1;
        (focus->isEnabled() ? focus : inputs->ComboBox1)->setFocus();
        return;
    }
    const std::optional<QString> answer = inputs->answerForType();
    if (!answer)
        return;

    authoring::QuestionEdit edit;
    edit.id = m_id;
    edit.options = inputs->SE_Num->value();
    edit.answer = *answer;
    if (const auto type = inputs->chosenType())
        edit.type = type->id;
    edit.points = inputs->pointIds();
    edit.stem = changed(RxDBRichEdit1);
    edit.analysis = changed(RxDBRichEdit2);
    if (!authoring::groupIdOf(m_id).isEmpty())
        edit.sharedStem = changed(RxDBRichEdit3);

    const bool saved = guard::run(QStringLiteral("保存试题出现错误！"), [&] { authoring::saveQuestionEdit(DM1->db(), edit); });
    // The practice screen's rows show what the bank holds now (the edit, or after a
    // failure, what was there before).
    guard::run(QStringLiteral("无法重新读取试题"), [&] {
        DM1->Cn1Query_tm->reloadCurrentRow();
        if (DM1->cn1query_nr->isOpen())
            DM1->cn1query_nr->reloadCurrentRow();
        if (edit.sharedStem && DM1->Cn1Query2->isOpen())
            DM1->Cn1Query2->reloadCurrentRow();
    });
    if (saved)
        accept();
}

void TfrmTedit::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    ui::paintTitleBand(p, QRect(0, 0, width(), kTitleHeight), QStringLiteral("试题修改"), 16, 12);
}
