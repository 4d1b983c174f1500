#include "exam/ExamStart.h"

#include "core/exam/ExamResume.h"
#include "core/exam/ExamRules.h"
#include "core/exam/PaperDraw.h"
#include "exam/TFrmCheck.h"
#include "exam/ExamLog.h"
#include "exam/TFrmExam.h"
#include "core/question/AnswerRules.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "common/TFrmProgress.h"
#include "core/store/Clock.h"
#include "core/store/DataModule.h"


namespace exam {

bool offerResume(QWidget* owner)
{
    std::optional<RunningPaper> run;
    try {
        run = unfinishedPaper(DM1->db());
    } catch (const store::DbError& e) {
        qCWarning(lcExam).noquote() << "looking for an unfinished exam:" << e.message();
        return false;
    }
    if (!run)
        return false;
    if (prompt::messageBox(prompt::Icon::Question, QStringLiteral("提示"), resumeQuestion(*run), prompt::Buttons::YesNo) != prompt::Ok) {
        // No unscored paper may stay behind: graded as it stands, with its saved
        // time, or dropped when nothing was answered (or it is below the pass mark).
        guard::run(QStringLiteral("发生错误！"), [&] {
            bool drop = run->answered == 0;
            if (!drop)
                drop = gradePaper(*DM1, run->table, QStringLiteral("tab_tx%1").arg(run->mock), practice::practiceClockText(run->seconds)).belowPass;
            if (drop)
                DM1->DropPaperTable(run->table);
            forgetProgress(DM1->db(), run->table);
        });
        return false;
    }
    app::CurrentPaperNo = run->mock;
    progress::show(QStringLiteral("正在提取试卷..."));
    TFrmExam f(owner);
    f.ResumePaper(run->table, run->title, run->seconds, run->question);
    if (f.OpenPaper())
        f.execModal();
    progress::hide();
    return true;
}

void mnks(int mock, QWidget* owner)
{
    if (offerResume(owner))
        return;
    progress::show(QStringLiteral("正在初始化数据..."));
    app::CurrentPaperNo = mock;
    NewPaper p;
    try {
        progress::setText(QStringLiteral("正在建立数据表..."));
        p = createPaper(*DM1, mock, store::Clock::today());
    } catch (const std::exception& e) {
        qCWarning(lcExam).noquote() << "creating a paper failed:" << e.what();
        progress::hide();
        prompt::error(QStringLiteral("建立数据表时发生错误！"));
        app::endProgram(1);
        return;
    }
    TFrmExam f(owner);
    progress::setText(QStringLiteral("正在整理数据..."));
    if (f.InitPaper(p.table, p.title, exam::Mode::Answering, 0, QStringLiteral("0:00:00")) && f.OpenPaper())
        f.execModal();
    progress::hide();
}

void openScoreList(QWidget* owner)
{
    offerResume(owner);
    TFrmCheck list(owner);
    list.execModal();
}

} // namespace exam
