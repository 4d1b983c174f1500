#include "authoring/QuestionInputs.h"

#include "authoring/TFrmSelectFG.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/RichTextEdit.h"
#include "ui/RichTextToolBar.h"
#include "ui/Style.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QValidator>
#include <QVBoxLayout>

namespace {

// Answers are option letters: typed in any case, kept in upper case.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

QLabel* label(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    l->setFont(ui::songFont(14, true));
    return l;
}

} // namespace

QuestionInputs::QuestionInputs(QWidget* screen)
    : QObject(screen), m_screen(screen)
{
    const struct {
        QString options, answer, type, points;
    } labels = {QStringLiteral("待选答案个数："), QStringLiteral("试题答案："), QStringLiteral("题    型："),
                QStringLiteral("对应考点：")};

    toolbar = new ui::RichTextToolBar(screen);
    connect(toolbar, &ui::RichTextToolBar::pictureRejected, screen, [](const QString&) {
        prompt::notice(QStringLiteral("无法读取这个图片文件，请选择 PNG、JPEG、GIF 或 BMP 图片。"));
    });

    SE_Num = new QSpinBox(screen);
    SE_Num->setObjectName(QStringLiteral("SE_Num"));
    SE_Num->setAccessibleName(labels.options);
    SE_Num->setRange(authoring::kMinOptions, authoring::kMaxOptions);
    SE_Num->setValue(authoring::kDefaultOptions);

    Edit1 = new QLineEdit(screen);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(labels.answer);
    Edit1->setMaxLength(authoring::kMaxAnswerLength);
    Edit1->setValidator(new UpperCaseValidator(Edit1));

    ComboBox1 = new QComboBox(screen);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setAccessibleName(labels.type);
    ComboBox1->setEditable(false);

    ListBox1 = new QListWidget(screen);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(labels.points);
    ListBox1->setToolTip(QStringLiteral("点击\"Delete\"键可以删除考点"));
    ListBox1->setAccessibleDescription(ListBox1->toolTip());
    ListBox1->installEventFilter(this);
    ListBox2 = new QListWidget(screen);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));
    ListBox2->hide();

    addPointButton = new ui::CommandButton(QStringLiteral("添加考点"), screen);
    addPointButton->setObjectName(QStringLiteral("addPointButton"));
    addPointButton->setFramed(true);
    addPointButton->setFont(ui::songFont(14));
    connect(addPointButton, &QAbstractButton::clicked, this, &QuestionInputs::addPointsWithPicker);

    optionsLabel = label(labels.options, SE_Num, screen);
    answerLabel = label(labels.answer, Edit1, screen);
    typeLabel = label(labels.type, ComboBox1, screen);
    pointsLabel = label(labels.points, ListBox1, screen);

    for (QWidget* w : std::initializer_list<QWidget*>{SE_Num, Edit1, ComboBox1, ListBox1})
        w->setFont(ui::songFont(14));
}

ui::RichTextEdit* QuestionInputs::addEditor(const QString& name, const QString& spokenName)
{
    auto* editor = new ui::RichTextEdit(m_screen);
    editor->setObjectName(name);
    editor->setAccessibleName(spokenName);
    toolbar->addEditor(editor);
    // Tab moves on to the next input; Ctrl+Tab would insert a tab character.
    editor->setTabChangesFocus(true);
    return editor;
}

ui::CommandButton* QuestionInputs::command(const QString& name, const QString& caption, QWidget* screen)
{
    auto* b = new ui::CommandButton(caption, screen);
    b->setObjectName(name);
    b->setFramed(true);
    return b;
}

void QuestionInputs::chainTabOrder(QWidget* before, QWidget* after)
{
    const QList<QWidget*> chain = {before, ComboBox1, SE_Num, Edit1, ListBox1, addPointButton, after};
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void QuestionInputs::loadTypes(std::optional<int> selectTypeId)
{
    m_types = authoring::readQuestionTypes(*DM1->Cn1Table_tx);
    const QSignalBlocker quiet(ComboBox1);
    ComboBox1->clear();
    for (const authoring::QuestionType& t : m_types)
        ComboBox1->addItem(t.name, t.id);
    if (selectTypeId)
        ComboBox1->setCurrentIndex(authoring::typeIndex(m_types, *selectTypeId));
    else
        ComboBox1->setCurrentIndex(m_types.empty() ? -1 : 0);
}

std::optional<authoring::QuestionType> QuestionInputs::chosenType() const
{
    const int i = ComboBox1->currentIndex();
    if (i < 0 || i >= int(m_types.size()))
        return std::nullopt;
    return m_types[size_t(i)];
}

void QuestionInputs::unlock()
{
    SE_Num->setEnabled(true);
    Edit1->setEnabled(true);
}

void QuestionInputs::applyTypeLock(bool clearAnswer)
{
    unlock();
    const auto type = chosenType();
    if (type && authoring::isSubjectiveType(type->name)) {
        SE_Num->setValue(1);
        SE_Num->setEnabled(false);
        Edit1->setText(authoring::kSubjectiveAnswer);
        Edit1->setEnabled(false);
    } else if (clearAnswer) {
        Edit1->clear();
    }
}

std::optional<QString> QuestionInputs::answerForType()
{
    const auto type = chosenType();
    if (!type)
        return Edit1->text().trimmed();
    const authoring::AnswerCheck check = authoring::checkAnswer(type->id, type->name, SE_Num->value(), Edit1->text());
    if (check.fault == authoring::AnswerFault::None)
        return check.answer;
    prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"),
                       authoring::answerFaultText(check.fault, type->name, SE_Num->value()));
    (Edit1->isEnabled() ? static_cast<QWidget*>(Edit1) : static_cast<QWidget*>(ComboBox1))->setFocus();
    return std::nullopt;
}

QStringList QuestionInputs::pointIds() const
{
    QStringList ids;
    for (int i = 0; i < ListBox2->count(); ++i)
        ids << ListBox2->item(i)->text();
    return ids;
}

void QuestionInputs::addPoint(const QString& id, const QString& displayText)
{
    ListBox2->addItem(id);
    ListBox1->addItem(displayText);
}

void QuestionInputs::clearPoints()
{
    ListBox1->clear();
    ListBox2->clear();
}

void QuestionInputs::removeSelectedPoint()
{
    const int row = ListBox1->currentRow();
    if (row < 0 || !ListBox1->item(row)->isSelected())
        return;
    delete ListBox1->takeItem(row);
    if (row < ListBox2->count())
        delete ListBox2->takeItem(row);
}

void QuestionInputs::addPointsWithPicker()
{
    if (ListBox2->count() >= authoring::kMaxQuestionPoints) {
        const QStringList lines = {QStringLiteral("试题对应考点最多为10条！"), QStringLiteral("如果要去掉考点，请选中要"),
                                   QStringLiteral("去掉的考点，再按键盘上的"), QStringLiteral("[Delete]键！")};
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), lines.join(QLatin1Char('\r')));
        return;
    }
    TFrmSelectFG picker(m_screen);
    picker.setPage(TFrmSelectFG::Page::Selection);
    picker.setChosen(pointIds());
    if (picker.exec() != QDialog::Accepted)
        return;
    for (const TFrmSelectFG::Pick& p : picker.picks()) {
        if (pointIds().contains(p.ftid) || ListBox2->count() >= authoring::kMaxQuestionPoints)
            continue;
        addPoint(p.ftid, authoring::pointDisplayText(p.nodeName, p.title));
    }
}

void QuestionInputs::showUsageNotes(QWidget* owner)
{
    TFrmSelectFG notes(owner);
    notes.setPage(TFrmSelectFG::Page::UsageNotes);
    notes.exec();
}

QWidget* QuestionInputs::buildSideColumn(const QList<QWidget*>& commands)
{
    m_side = new QWidget(m_screen);
    m_side->setObjectName(QStringLiteral("sideColumn"));
    m_commands = commands;
    auto* column = new QVBoxLayout(m_side);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    for (auto [l, w] : {std::pair<QLabel*, QWidget*>{typeLabel, ComboBox1}, {optionsLabel, SE_Num}, {answerLabel, Edit1}}) {
        auto* row = new QHBoxLayout;
        row->addWidget(l);
        row->addWidget(w, 1);
        column->addLayout(row);
    }
    column->addSpacing(4);
    auto* pointsRow = new QHBoxLayout;
    pointsRow->addWidget(pointsLabel);
    pointsRow->addStretch(1);
    pointsRow->addWidget(addPointButton);
    column->addLayout(pointsRow);
    column->addWidget(ListBox1, 1);
    column->addSpacing(8);
    auto* grid = new QGridLayout;
    grid->setSpacing(6);
    for (int i = 0; i < commands.size(); ++i)
        grid->addWidget(commands[i], i / 2, i % 2);
    column->addLayout(grid);
    return m_side;
}

void QuestionInputs::arrange(bool compact)
{
    const int px = compact ? 13 : 14;
    for (QWidget* w : std::initializer_list<QWidget*>{SE_Num, Edit1, ComboBox1, ListBox1})
        w->setFont(ui::songFont(px));
    for (QLabel* l : {optionsLabel, answerLabel, typeLabel, pointsLabel})
        l->setFont(ui::songFont(px, true));
    addPointButton->setFont(ui::songFont(px));
    addPointButton->setFixedSize(compact ? 76 : 86, compact ? 24 : 26);
    for (QWidget* c : std::as_const(m_commands)) {
        c->setFont(ui::songFont(compact ? 14 : 15, true));
        c->setFixedHeight(compact ? 28 : 32);
    }
    if (m_side)
        m_side->setFixedWidth(compact ? 236 : 282);
}

bool QuestionInputs::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBox1 && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        removeSelectedPoint();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
