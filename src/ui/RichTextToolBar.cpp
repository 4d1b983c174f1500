#include "ui/RichTextToolBar.h"

#include "ui/RichTextEdit.h"
#include "ui/Style.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

namespace ui {

namespace {

QToolButton* makeButton(QWidget* parent, const QString& name, const QString& text, const QString& spoken,
                        const QString& tip, bool checkable)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setAccessibleName(spoken);
    b->setToolTip(tip);
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    // Clicking must leave the focus (and the selection) in the editor; Tab still reaches it.
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

RichTextToolBar::RichTextToolBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("richTextToolBar"));
    setAccessibleName(QStringLiteral("文字格式"));
    boldButton = makeButton(this, QStringLiteral("boldButton"), QStringLiteral("B"), QStringLiteral("粗体"),
                            QStringLiteral("粗体 (Ctrl+B)"), true);
    QFont bold = boldButton->font();
    bold.setBold(true);
    boldButton->setFont(bold);
    italicButton = makeButton(this, QStringLiteral("italicButton"), QStringLiteral("I"), QStringLiteral("斜体"),
                              QStringLiteral("斜体 (Ctrl+I)"), true);
    QFont italic = italicButton->font();
    italic.setItalic(true);
    italicButton->setFont(italic);
    underlineButton = makeButton(this, QStringLiteral("underlineButton"), QStringLiteral("U"), QStringLiteral("下划线"),
                                 QStringLiteral("下划线 (Ctrl+U)"), true);
    QFont underline = underlineButton->font();
    underline.setUnderline(true);
    underlineButton->setFont(underline);
    colourButton = makeButton(this, QStringLiteral("colourButton"), QStringLiteral("颜色"), QStringLiteral("文字颜色"),
                              QStringLiteral("文字颜色"), false);
    sizeBox = new QComboBox(this);
    sizeBox->setObjectName(QStringLiteral("sizeBox"));
    sizeBox->setAccessibleName(QStringLiteral("字号"));
    sizeBox->setToolTip(QStringLiteral("字号（像素）"));
    sizeBox->setFocusPolicy(Qt::TabFocus);
    for (int px : sizes())
        sizeBox->addItem(QString::number(px), px);
    sizeBox->setCurrentIndex(sizes().indexOf(16));
    tableButton = makeButton(this, QStringLiteral("tableButton"), QStringLiteral("表格"), QStringLiteral("插入表格"),
                             QStringLiteral("插入表格"), false);
    pictureButton = makeButton(this, QStringLiteral("pictureButton"), QStringLiteral("图片"), QStringLiteral("插入图片"),
                               QStringLiteral("插入图片文件（也可直接粘贴图片）"), false);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (QWidget* w : std::initializer_list<QWidget*>{boldButton, italicButton, underlineButton, colourButton, sizeBox, tableButton, pictureButton})
        row->addWidget(w);
    row->addStretch(1);

    // The state, not the click: a screen reader's Toggle formats the text too.
    connect(boldButton, &QToolButton::toggled, this, [this](bool on) { if (m_editor) m_editor->setBold(on); });
    connect(italicButton, &QToolButton::toggled, this, [this](bool on) { if (m_editor) m_editor->setItalic(on); });
    connect(underlineButton, &QToolButton::toggled, this, [this](bool on) { if (m_editor) m_editor->setUnderline(on); });
    connect(colourButton, &QToolButton::clicked, this, &RichTextToolBar::chooseColour);
    connect(sizeBox, &QComboBox::activated, this, [this](int index) {
        if (m_editor) {
            m_editor->setFontPixelSize(sizeBox->itemData(index).toInt());
            m_editor->setFocus();
        }
    });
    connect(tableButton, &QToolButton::clicked, this, &RichTextToolBar::chooseTable);
    connect(pictureButton, &QToolButton::clicked, this, &RichTextToolBar::choosePicture);
    setEnabled(false);
}

QList<int> RichTextToolBar::sizes()
{
    return {12, 14, 16, 18, 20, 24, 28, 36};
}

void RichTextToolBar::addEditor(RichTextEdit* editor)
{
    editor->installEventFilter(this);
    connect(editor, &RichTextEdit::formatAtCursorChanged, this, [this, editor](const QTextCharFormat& f) {
        if (editor == m_editor)
            follow(f);
    });
    if (!m_editor)
        setEditor(editor);
}

bool RichTextToolBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn)
        if (auto* editor = qobject_cast<RichTextEdit*>(watched))
            setEditor(editor);
    return QWidget::eventFilter(watched, event);
}

void RichTextToolBar::setEditor(RichTextEdit* editor)
{
    m_editor = editor;
    setEnabled(editor != nullptr);
    if (editor)
        follow(editor->currentCharFormat());
}

void RichTextToolBar::follow(const QTextCharFormat& format)
{
    // Showing the format at the cursor must not apply it to the selection.
    const QSignalBlocker quietBold(boldButton);
    const QSignalBlocker quietItalic(italicButton);
    const QSignalBlocker quietUnderline(underlineButton);
    boldButton->setChecked(format.fontWeight() >= QFont::Bold);
    italicButton->setChecked(format.fontItalic());
    underlineButton->setChecked(format.fontUnderline());
    const int px = format.font().pixelSize();
    const int at = sizeBox->findData(px);
    if (at >= 0)
        sizeBox->setCurrentIndex(at);
}

void RichTextToolBar::chooseColour()
{
    if (!m_editor)
        return;
    const QColor start = m_editor->currentCharFormat().foreground().color();
    const QColor colour = QColorDialog::getColor(start.isValid() ? start : QColor(Qt::black), window(), QStringLiteral("文字颜色"));
    m_editor->setTextColour(colour);
    m_editor->setFocus();
}

void RichTextToolBar::chooseTable()
{
    if (!m_editor)
        return;
    QDialog ask(window());
    ask.setWindowTitle(QStringLiteral("插入表格"));
    auto* rows = new QSpinBox(&ask);
    rows->setObjectName(QStringLiteral("tableRows"));
    rows->setAccessibleName(QStringLiteral("行数"));
    rows->setRange(1, RichTextEdit::kMaxTableSide);
    rows->setValue(3);
    auto* columns = new QSpinBox(&ask);
    columns->setObjectName(QStringLiteral("tableColumns"));
    columns->setAccessibleName(QStringLiteral("列数"));
    columns->setRange(1, RichTextEdit::kMaxTableSide);
    columns->setValue(3);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    auto* form = new QFormLayout(&ask);
    form->addRow(QStringLiteral("行数："), rows);
    form->addRow(QStringLiteral("列数："), columns);
    form->addRow(buttons);
    if (ask.exec() == QDialog::Accepted)
        m_editor->insertTable(rows->value(), columns->value());
    m_editor->setFocus();
}

void RichTextToolBar::choosePicture()
{
    if (!m_editor)
        return;
    const QString path = QFileDialog::getOpenFileName(window(), QStringLiteral("插入图片"), QString(),
                                                      QStringLiteral("图片 (*.png *.jpg *.jpeg *.gif *.bmp)"));
    if (!path.isEmpty() && !m_editor->insertPictureFile(path))
        Q_EMIT pictureRejected(path);
    m_editor->setFocus();
}

} // namespace ui
