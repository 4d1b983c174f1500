#pragma once

#include "practice/TFrmLxxt.h"

// Practice of the questions of one exam point: the practice screen with its own
// names and captions, no analysis viewer, no question editing, and a heading the
// opener sets to the point's title.
//
//     TFrmRuleLxxt f(this);
//     if (f.LoadQuestionSet(outline::pointPracticeStatement(ftid)) == TFrmLxxt::Loaded::Questions) {
//         f.epLabel2->setText(title);
//         f.exec();
//     }
class TFrmRuleLxxt : public TFrmLxxt {
    Q_OBJECT
public:
    explicit TFrmRuleLxxt(QWidget* parent = nullptr);

private:
    static Variant pointVariant();
};
