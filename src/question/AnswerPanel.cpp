#include "question/AnswerPanel.h"

#include "ui/AccessibleText.h"
#include "ui/Style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace practice {

AnswerPanel::AnswerPanel(QWidget* host, int textPx)
    : ui::SlidingPanel(host)
{
    setAccessibleName(QStringLiteral("答案"));
    QWidget* b = body();
    b->setObjectName(QStringLiteral("panelBody"));
    b->setAttribute(Qt::WA_StyledBackground);
    b->setStyleSheet(QStringLiteral("#panelBody { background: rgb(240,246,252); border: 2px solid rgb(96,134,184); }"));
    auto* l = new QVBoxLayout(b);
    l->setContentsMargins(24, 24, 24, 24);
    l->setSpacing(14);
    m_headline = new QLabel(b);
    m_headline->setObjectName(QStringLiteral("panelHeadline"));
    m_headline->setFont(ui::songFont(textPx + 4, true));
    l->addWidget(m_headline);
    const auto answerRow = [&](const QString& caption, QLineEdit*& box, const QString& name) {
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(caption, b);
        label->setFont(ui::songFont(textPx));
        box = new QLineEdit(b);
        box->setObjectName(name);
        box->setReadOnly(true);
        box->setAccessibleName(caption);
        box->setFont(ui::songFont(textPx, true));
        box->setStyleSheet(QStringLiteral("QLineEdit { color: rgb(0,128,0); background: white; }"));
        label->setBuddy(box);
        row->addWidget(label);
        row->addWidget(box, 1);
        l->addLayout(row);
    };
    answerRow(QStringLiteral("你的答案："), m_yours, QStringLiteral("panelYours"));
    answerRow(QStringLiteral("正确答案："), m_correct, QStringLiteral("panelCorrect"));
    l->addStretch(1);
}

void AnswerPanel::setTexts(const PanelTexts& t)
{
    m_headline->setText(t.headline);
    m_headline->setStyleSheet(t.yours == t.correct ? QStringLiteral("color: rgb(0,128,0);") : QStringLiteral("color: rgb(200,0,0);"));
    ui::setName(m_headline, t.headline);
    m_yours->setText(t.yours);
    m_correct->setText(t.correct);
}

} // namespace practice
