#pragma once

#include "core/question/AnswerRules.h"
#include "ui/SlidingPanel.h"

class QLabel;
class QLineEdit;

namespace practice {

// The answer panel of the practice and exam screens: it slides over the question
// and tells whether the answer was right, with the candidate's and the correct answer.
class AnswerPanel : public ui::SlidingPanel {
    Q_OBJECT
public:
    // textPx: size of the answer lines; the headline is a little larger.
    AnswerPanel(QWidget* host, int textPx);

    void setTexts(const PanelTexts& texts);

    QLabel* headline() const { return m_headline; }
    QLineEdit* yours() const { return m_yours; }
    QLineEdit* correct() const { return m_correct; }

private:
    QLabel* m_headline;
    QLineEdit* m_yours = nullptr;
    QLineEdit* m_correct = nullptr;
};

} // namespace practice
