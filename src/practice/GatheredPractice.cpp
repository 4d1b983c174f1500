#include "practice/GatheredPractice.h"

#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/practice/GatheredSet.h"
#include "core/store/DataModule.h"
#include "practice/TFrmLxxt.h"

#include <QLabel>
#include <optional>

namespace practice {

namespace {

// The practice screen with the set's own title and heading.
class GatheredScreen : public TFrmLxxt {
public:
    GatheredScreen(QWidget* parent, const GatheredSet& set)
        : TFrmLxxt(parent, variantOf(set))
    {
    }

private:
    static Variant variantOf(const GatheredSet& set)
    {
        Variant v;
        v.caption = set.caption;
        v.headingFromChapter = false;
        v.source = set.source;
        return v;
    }
};

} // namespace

bool practiseQuestions(QWidget* parent, const GatheredSet& set)
{
    std::optional<PracticeStatement> statement;
    if (!guard::run(QStringLiteral("题目未能打开，请重试！"),
                    [&] { statement = gatheredStatement(DM1->db(), set.ids, set.byType); }))
        return false;
    GatheredScreen screen(parent, set);
    switch (screen.LoadQuestionSet(*statement)) {
    case TFrmLxxt::Loaded::Questions:
        screen.epLabel2->setText(set.heading);
        screen.exec();
        return true;
    case TFrmLxxt::Loaded::Empty:
        ShowPrompt(QStringLiteral("提示"), QStringLiteral("没有可练习的题目。"), prompt::Mode::Single,
                   prompt::Page::Information, prompt::Variant::No);
        return false;
    case TFrmLxxt::Loaded::Failed:
        break;
    }
    return false;
}

} // namespace practice
